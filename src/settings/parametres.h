#pragma once

#include <QString>

// The settings record, filled once at start-up from the settings file (synchro.ini or the file
// named on the command line). Every Part reads its settings from here, never from the file, but
// for the window position, the deferred-synchronisation keys, `nonsynchro` and the captions.
struct Parametres {
    QString FichierIni = QStringLiteral("synchro.ini");
    QString unite = QStringLiteral("P"); // exactly one character
    QString zelvanodir = QStringLiteral("zelvano");
    QString courrierdir;
    QString crodir;
    QString bddir = QStringLiteral("bd");
    QString certifdir;
    QString corresdir;
    QString datadir;
    QString flashdir;
    QString modeledir;
    QString fmpathServeur = QStringLiteral("\\\\serveur\\zelvano");
    QString fmpathClient = QStringLiteral("C");
    QString inifile;
    qint16 createlog = 0;
    qint16 messagesdebug = 0;
    qint16 nowarning = 0;
    qint16 copiesecurisee = 1;
    qint16 modifiesuniquement = 1;
    QString traitementsupp;
    QString surclient1;
    QString surclient2;
    QString surserveur1;
    QString surserveur2;
    qint16 TpsAttente = 10;
    QString Interpreteur = QStringLiteral("CMD.EXE");
    qint16 shellsynchrone = 1;
    // How many safety folders of the local base are kept (see init/sauvegarde.h); 0: none.
    qint16 sauvegardes = 5;
};

// The record of this run.
Parametres& Param();

// Fills the record from Param().FichierIni in the order of the key table; the captions of
// `btnclient` and `btnsrv` come from `boutonclient` and `boutonserveur` when not empty.
// Raises plateforme::Erreur (13 for a TpsAttente that is not a number, 6 for a value outside
// the 16-bit range); start-up reports it and ends.
void LireParametres();

// Profile reads on the settings file in use, with the 255-character buffer.
QString LireCle(const QString& section, const QString& cle, const QString& defaut = {});
int LireCleEntier(const QString& section, const QString& cle, int defaut);
void EcrireCle(const QString& section, const QString& cle, const QString& valeur);
