#include "application.h"

#include "jet/dao.h"
#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/profil.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Lire(const QString& cle, const QString& defaut, const QString& fichier) {
    QString tampon;
    const int n = plateforme::GetPrivateProfileStringA(QStringLiteral("path"), cle, defaut, tampon,
                                                       255, fichier);
    return tampon.left(n);
}

qint64 Suivant(dao::Database& base, const QString& table, const QString& champ) {
    auto rs = base.OpenRecordset(
        QStringLiteral("SELECT DISTINCTROW Max(%1.%2) AS MAX FROM %1;").arg(table, champ));
    const QVariant max = rs->Fields(QStringLiteral("MAX")).Value();
    rs->Close();
    return (max.isNull() ? 0 : max.toLongLong()) + 1;
}

void Ajouter(dao::Database& base, const QString& table,
             const QList<std::pair<QString, QVariant>>& champs) {
    auto rs = base.OpenRecordset(QStringLiteral("select * from ") + table);
    rs->AddNew();
    for (const auto& [nom, valeur] : champs) {
        rs->Fields(nom).SetValue(valeur);
    }
    rs->Update();
    rs->Close();
}

void EcrireDocument(const QString& cheminWindows, const QByteArray& contenu) {
    const QString natif = plateforme::CheminNatif(cheminWindows);
    QDir().mkpath(QFileInfo(natif).absolutePath());
    QFile f(natif);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(contenu) != contenu.size()) {
        plateforme::Lever(
            plateforme::err::PermissionRefusee,
            QStringLiteral("Impossible d'écrire le document « %1 ».").arg(cheminWindows));
    }
}

} // namespace

ApplicationPratique::ApplicationPratique(const QString& fichierIni, QWidget* parent)
    : QWidget(parent)
    , fichierIni_(fichierIni) {
    poste_ = Lire(QStringLiteral("poste"), QStringLiteral("A"), fichierIni).left(1);
    if (poste_.isEmpty()) {
        poste_ = QStringLiteral("A");
    }
    zelvanodir_ = Lire(QStringLiteral("zelvanodir"), QStringLiteral("zelvano"), fichierIni);
    courrierdir_ = Lire(QStringLiteral("courrierdir"), QStringLiteral("courrier"), fichierIni);
    datadir_ = Lire(QStringLiteral("datadir"), QStringLiteral("data"), fichierIni);
    setWindowTitle(QStringLiteral("ZELVANO - Poste ") + poste_);

    auto* disposition = new QVBoxLayout(this);
    etat_ = new QLabel;
    etat_->setWordWrap(true);
    disposition->addWidget(etat_);
    auto* formulaire = new QFormLayout;
    nom_ = new QLineEdit;
    prenom_ = new QLineEdit;
    formulaire->addRow(QStringLiteral("&Nom"), nom_);
    formulaire->addRow(QStringLiteral("&Prénom"), prenom_);
    disposition->addLayout(formulaire);
    auto* creer =
        new QPushButton(QStringLiteral("&Créer le patient, sa consultation, son ordonnance, "
                                       "son courrier et sa photo"));
    disposition->addWidget(creer);
    auto* correction = new QFormLayout;
    numero_ = new QLineEdit;
    ville_ = new QLineEdit;
    correction->addRow(QStringLiteral("Patient &n°"), numero_);
    correction->addRow(QStringLiteral("&Ville"), ville_);
    disposition->addLayout(correction);
    auto* modifier = new QPushButton(QStringLiteral("&Modifier la ville du patient"));
    disposition->addWidget(modifier);
    crees_ = new QListWidget;
    disposition->addWidget(crees_);
    auto* quitter = new QPushButton(QStringLiteral("&Quitter Zelvano"));
    disposition->addWidget(quitter);
    connect(creer, &QPushButton::clicked, this, [this] {
        if (nom_->text().trimmed().isEmpty()) {
            QMessageBox::information(this, windowTitle(),
                                     QStringLiteral("Indiquez au moins le nom du patient."));
            return;
        }
        CreerPatient(nom_->text().trimmed(), prenom_->text().trimmed());
    });
    connect(modifier, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const qint64 identifiant = numero_->text().trimmed().toLongLong(&ok);
        if (!ok) {
            QMessageBox::information(this, windowTitle(),
                                     QStringLiteral("Indiquez le numéro du patient."));
            return;
        }
        ModifierVille(identifiant, ville_->text().trimmed());
    });
    connect(quitter, &QPushButton::clicked, this, &QWidget::close);
    resize(520, 360);
    Actualiser();
}

QString ApplicationPratique::Chemin(const QString& dossier) const {
    return QStringLiteral("P:\\") + zelvanodir_ + QLatin1Char('\\') + dossier;
}

QString ApplicationPratique::CheminBase() const {
    return Chemin(QStringLiteral("bd")) + QStringLiteral("\\zelvano.mdb");
}

void ApplicationPratique::Actualiser() {
    const QFileInfo lecteur(plateforme::Machine::EntreeLecteur(QLatin1Char('P')));
    QString cible =
        lecteur.isSymLink() ? lecteur.symLinkTarget() : QStringLiteral("(aucune redirection)");
    QString texte =
        QStringLiteral("Base ouverte : %1\nL'unité P: mène à : %2\n").arg(CheminBase(), cible);
    try {
        auto base = dao::DBEngine::Instance().OpenDatabase(CheminBase());
        auto rs = base->OpenRecordset(
            QStringLiteral("SELECT DISTINCTROW Count(patient.identifiant) AS NBENR FROM patient;"));
        texte += QStringLiteral("Patients dans cette base : %1")
                     .arg(rs->Fields(QStringLiteral("NBENR")).Value().toLongLong());
        rs->Close();
        base->Close();
    } catch (const plateforme::Erreur& e) {
        texte += QStringLiteral("La base ne peut pas être ouverte : %1 (%2)")
                     .arg(e.Description())
                     .arg(e.Number());
    }
    etat_->setText(texte);
}

qint64 ApplicationPratique::CreerPatient(const QString& nom, const QString& prenom) {
    try {
        dao::DBEngine& moteur = dao::DBEngine::Instance();
        auto base = moteur.OpenDatabase(CheminBase());
        moteur.BeginTrans();
        const QDateTime maintenant = QDateTime::currentDateTime();
        const qint64 patient =
            Suivant(*base, QStringLiteral("patient"), QStringLiteral("identifiant"));
        Ajouter(*base, QStringLiteral("patient"),
                {{QStringLiteral("identifiant"), patient},
                 {QStringLiteral("numdossier"), QString::number(patient)},
                 {QStringLiteral("nom"), nom},
                 {QStringLiteral("prenom"), prenom},
                 {QStringLiteral("datecreation"), maintenant}});
        const qint64 consultation =
            Suivant(*base, QStringLiteral("consultation"), QStringLiteral("identconsultation"));
        Ajouter(*base, QStringLiteral("consultation"),
                {{QStringLiteral("identconsultation"), consultation},
                 {QStringLiteral("identifiant"), patient},
                 {QStringLiteral("dateconsultation"), maintenant},
                 {QStringLiteral("motif"), QStringLiteral("Consultation")}});
        const qint64 ordonnance =
            Suivant(*base, QStringLiteral("ordonnance"), QStringLiteral("identordonnance"));
        Ajouter(*base, QStringLiteral("ordonnance"),
                {{QStringLiteral("identordonnance"), ordonnance},
                 {QStringLiteral("identifiant"), patient},
                 {QStringLiteral("identconsultation"), consultation},
                 {QStringLiteral("dateordonnance"), maintenant},
                 {QStringLiteral("texte"), QStringLiteral("Paracétamol 1 g, 3 fois par jour")}});
        const qint64 courrier =
            Suivant(*base, QStringLiteral("courrier"), QStringLiteral("identcourrier"));
        const QString document = Chemin(courrierdir_) + QStringLiteral("\\x") + poste_ +
                                 QStringLiteral("%1.doc").arg(courrier, 6, 10, QLatin1Char('0'));
        EcrireDocument(document, "Courrier pour " + nom.toUtf8() + "\r\n");
        Ajouter(*base, QStringLiteral("courrier"),
                {{QStringLiteral("identcourrier"), courrier},
                 {QStringLiteral("identifiant"), patient},
                 {QStringLiteral("datecourrier"), maintenant},
                 {QStringLiteral("destinataire"), QStringLiteral("Confrère")},
                 {QStringLiteral("nomfichier"), document}});
        const qint64 objet = Suivant(*base, QStringLiteral("objet"), QStringLiteral("identobjet"));
        const QString photo = QStringLiteral("FI%1.jpg").arg(objet, 6, 10, QLatin1Char('0'));
        EcrireDocument(Chemin(datadir_) + QLatin1Char('\\') + photo, "photo de " + nom.toUtf8());
        Ajouter(*base, QStringLiteral("objet"),
                {{QStringLiteral("identobjet"), objet},
                 {QStringLiteral("identpatient"), patient},
                 {QStringLiteral("attachobjet"), QStringLiteral("consultation")},
                 {QStringLiteral("identattach"), consultation},
                 {QStringLiteral("typeobjet"), QStringLiteral("photo")},
                 {QStringLiteral("nomfichier"), photo},
                 {QStringLiteral("datecreation"), maintenant}});
        moteur.CommitTrans();
        base->Close();
        crees_->addItem(
            QStringLiteral(
                "Patient %1 : %2 %3 (consultation %4, ordonnance %5, courrier %6, objet %7)")
                .arg(patient)
                .arg(nom, prenom)
                .arg(consultation)
                .arg(ordonnance)
                .arg(courrier)
                .arg(objet));
        Actualiser();
        return patient;
    } catch (const plateforme::Erreur& e) {
        if (dao::DBEngine::Instance().EnTransaction()) {
            dao::DBEngine::Instance().Rollback();
        }
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Le patient n'a pas pu être créé : %1 (%2)")
                                 .arg(e.Description())
                                 .arg(e.Number()));
        return 0;
    }
}

bool ApplicationPratique::ModifierVille(qint64 identifiant, const QString& ville) {
    try {
        auto base = dao::DBEngine::Instance().OpenDatabase(CheminBase());
        auto rs = base->OpenRecordset(
            QStringLiteral("select count(*) as N from patient where identifiant = %1")
                .arg(identifiant));
        const qint64 trouves = rs->Fields(QStringLiteral("N")).Value().toLongLong();
        rs->Close();
        if (trouves == 0) {
            base->Close();
            QMessageBox::information(this, windowTitle(),
                                     QStringLiteral("Aucun patient n° %1.").arg(identifiant));
            return false;
        }
        base->Execute(QStringLiteral("update patient set ville = ? where identifiant = ?"),
                      {ville, identifiant});
        base->Close();
        crees_->addItem(QStringLiteral("Patient %1 : ville « %2 »").arg(identifiant).arg(ville));
        return true;
    } catch (const plateforme::Erreur& e) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Le patient n'a pas pu être modifié : %1 (%2)")
                                 .arg(e.Description())
                                 .arg(e.Number()));
        return false;
    }
}
