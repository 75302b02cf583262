#pragma once

#include "settings/cles.h"

#include <QList>
#include <QString>

// The settings record, filled once at start-up from the settings file (synchro.ini or the file
// named on the command line). Every Part reads its settings from here, never from the file, but
// for the window position, the deferred-synchronisation keys, `nonsynchro` and the captions.
// The defaults are those of the keys.
struct Parametres {
    QString FichierIni = QStringLiteral("synchro.ini");
    QString unite = cles::unite.Defaut(); // exactly one character
    QString zelvanodir = cles::zelvanodir.Defaut();
    QString courrierdir = cles::courrierdir.Defaut();
    QString crodir = cles::crodir.Defaut();
    QString bddir = cles::bddir.Defaut();
    QString certifdir = cles::certifdir.Defaut();
    QString corresdir = cles::corresdir.Defaut();
    QString datadir = cles::datadir.Defaut();
    QString flashdir = cles::flashdir.Defaut();
    QString modeledir = cles::modeledir.Defaut();
    QString fmpathServeur = cles::fmpathServeur.Defaut();
    QString fmpathClient = cles::fmpathClient.Defaut();
    QString inifile = cles::inifile.Defaut();
    qint16 createlog = cles::createlog.DefautEntier();
    qint16 messagesdebug = cles::messagesdebug.DefautEntier();
    qint16 nowarning = cles::nowarning.DefautEntier();
    qint16 copiesecurisee = cles::copiesecurisee.DefautEntier();
    qint16 modifiesuniquement = cles::modifiesuniquement.DefautEntier();
    QString traitementsupp = cles::traitementsupp.Defaut();
    QString surclient1 = cles::surclient1.Defaut();
    QString surclient2 = cles::surclient2.Defaut();
    QString surserveur1 = cles::surserveur1.Defaut();
    QString surserveur2 = cles::surserveur2.Defaut();
    qint16 TpsAttente = cles::TpsAttente.DefautEntier();
    QString Interpreteur = QStringLiteral("CMD.EXE");
    qint16 shellsynchrone = cles::shellsynchrone.DefautEntier();
    // How many safety folders of the local base are kept (see init/sauvegarde.h); 0: none.
    qint16 sauvegardes = cles::sauvegardes.DefautEntier();
    // Old records' fields changed on the laptop carried to the server (see sync/report.h).
    qint16 reporter = cles::reporter.DefautEntier();
};

// A key the record keeps, and its field: a text or a 16-bit integer.
struct ChampParametres {
    const cles::Cle* cle;
    QString Parametres::*texte = nullptr;
    qint16 Parametres::*entier = nullptr;
};

// The keys of the record, in the order LireParametres reads them.
const QList<ChampParametres>& ChampsParametres();
// The field of a key; nullptr when the record does not keep it.
const ChampParametres* ChampDe(const cles::Cle& cle);

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
