#pragma once

#include "tools/fenetres_outils.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace plateforme {
class Erreur;
}
namespace dao {
class Database;
}

// The general-purpose routines: paths, folders, texts, dates, SQL helpers, the Windows version
// and run-and-wait. An object is created where a routine is needed. The methods keep the fixed
// order of the class's interface. Null is a null QVariant, as the database layer gives it. The
// file numbers some routines take are kept for their callers; files are opened by path here.
// Unless said otherwise a routine passes the errors raised inside it on to its caller.
class VOD_Outils {
public:
    // "Erreur N : texte" with the exclamation icon and OK, titled "Une erreur s'est produite";
    // nothing without an error or for an error numbered 0.
    void AfficherErreur(const plateforme::Erreur* erreur = nullptr);

    // Appends one line (CR LF) to `LogFile`: the date and time then `msg` when `AjouterHeure`,
    // `msg` alone otherwise, an empty line for an empty `msg`. Errors are ignored at every step.
    void AjouterAuJournal(const QString& msg, const QString& LogFile, bool AjouterHeure,
                          qint16 FileNoToUse);

    // Builds " (A op B ... )": each call with a condition adds it after `pOperator`, a final call
    // with Null closes the parenthesis ("" when nothing was added).
    QString AjouterClauseWhere(const QVariant& pWhereClause, const QVariant& pOperator,
                               const QVariant& pWhereClauseToAdd);

    // Waits `sec` whole seconds of the clock, the window kept alive.
    void Attendre(qint16 sec);

    // The text before the first NUL character (the whole text without one).
    QString Buffer2String(const QString& buffer);

    // Free and total space of the drive `lettredisque` (first character) in kilobytes (whole),
    // megabytes and gigabytes (two decimals). False, outputs untouched, when it cannot be read.
    bool CalculerEspaceLibre(const QString& lettredisque, double& Klibre, double& Mlibre,
                             double& Glibre, double& Ktotal, double& Mtotal, double& Gtotal);

    // Centres the window across the screen, a little above the middle (on 85 % of its height).
    void CentrerForm(FenetreOutils& frm);

    // Adds to `nbfic` the files (hidden ones included) and to `nbdir` the folders below
    // `filepath`, recursively. Hidden folders are passed over, as a folder listing shows them
    // not; a link back to a folder being counted counts as a folder but is not followed.
    // Nothing for a non-folder.
    void CompterFichiers(const QString& filepath, qint32& nbfic, qint32& nbdir);

    // "C:.b\c.txt" -> "C:.b", "c", "txt"; the extension is what follows a dot of the last
    // component.
    void DecomposerChemin(const QString& filepath, QString& Path, QString& FileName, QString& ext);

    QString DossierMesDocuments();
    QString DossierWindows();
    QString DossierWindowsSystem();
    // With a final "".
    QString DossierWindowsTemp();

    // True when the file cannot be opened for appending (wrong path, no right, a folder) or when
    // another process holds a lock on it; a missing file is created empty and is free.
    bool EnCoursUtilisation(const QString& fichier, qint16 FileNoToUse);

    // True when a loaded window of the program bears exactly this name (case counts).
    bool FormEstOuverte(const QString& FormName);

    // Brings the window in front of the others without activating it; it stays above them when
    // `ToujoursAuPremierPlan`.
    void FormAuPremierPlan(FenetreOutils& frm, bool ToujoursAuPremierPlan);

    // Null for Null or an empty text, else `entree`.
    QVariant NullSiVide(const QVariant& entree);

    // Every "'" and '"' turned into a blank (not doubled).
    QString PreparerPourSQL(const QString& chaine);

    // The program the desktop opens the existing file `filesource` with; "" when none.
    QString ProgrammeAssocie(const QString& filesource);

    // CR and LF turned into blanks, NUL characters dropped.
    QString RemplacerCRLFparBlanc(const QString& texte);

    // Starts `pathname` (program and arguments) with the window style (0 hidden, 1 normal,
    // 3 maximised) and returns its process id once the process has ended, yielding on every pass.
    // Raises 5 for an empty command line, 53 when the program cannot be started. A program that
    // never ends keeps it waiting.
    qint64 ExecutionSynchrone(const QString& pathname, int windowsstyle);

    // True on the NT family of Windows versions.
    bool SousWindowsNT();

    // Removes the folder and everything below it as far as it can; errors are ignored. An empty
    // name removes nothing.
    void SuppressionDossier(const QString& Dossier);

    // "" for Null, else `entree` as text.
    QString VideSiNull(const QVariant& entree);

    // The text "0" for Null, else `entree`.
    QVariant ZeroSiNull(const QVariant& entree);

    // "20261207" -> 07/12/2026 at midnight; the zero date (30/12/1899) when the text (Null read
    // as "") is not 8 characters long. Raises 13 when the 8 characters make no date.
    QDateTime AAAAMMJJ2Date(const QVariant& texte);

    // `resultat` becomes index 0 unused, then from index 1 the pieces of `chaine` between the
    // occurrences of `delimiteur` (empty pieces kept), the last one only when not empty. An
    // empty delimiter leaves `chaine` in one piece.
    void DecomposerChaine(const QString& chaine, const QString& delimiteur, QStringList& resultat);

    // The largest value of `colonne` in `table` (Null values sort last); with no row, 0 when
    // `numerique`, else "". Table and column names are put into the SQL as they are.
    QVariant RécupererIdentMax(dao::Database& base, const QString& table, const QString& colonne,
                               bool numerique);

    // Every occurrence of `ancien` replaced, left to right, the inserted text not searched
    // again; `chaine` unchanged when `ancien` is empty.
    QString RemplacerChaine(const QString& chaine, const QString& ancien, const QString& nouveau);

    // The whole file as bytes. Raises 53, 76, 75... when it cannot be read.
    QByteArray LireFichierBinaire(const QString& FileName, qint16 FileHandle);

    // The clock in universal time, "dd/mm/yyyy hh:mm:ss:mmm".
    QString DateHeureEnMillisecondes();

    // Sleeps `msec` milliseconds without yielding.
    void ArreterExecution(qint32 msec);

    // Waits `attente_globale_ms` by the tick counter, yielding on each pass and sleeping
    // `arret_a_chaque_boucle_ms` per pass when positive.
    void WaitEnMsec(qint32 attente_globale_ms, qint32 arret_a_chaque_boucle_ms);

    // The field `champ` of the first row of `table`, filtered by `clauseselect` when not empty;
    // Null when no row. The condition is SQL text put into the query as it stands: pass only
    // conditions built by the program itself, never text typed or read from outside.
    QVariant LireChampTable(dao::Database& base, const QString& table, const QString& clauseselect,
                            const QString& champ);

    // The name of the running Windows version ("Windows XP Service Pack 3.0", "Windows Vista"
    // for every 6.x, "" for a later NT version, "Inconnu" for an unknown platform).
    QString VersionWindows();
};
