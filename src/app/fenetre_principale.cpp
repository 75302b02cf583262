#include "app/fenetre_principale.h"

#include "app/bouton_commande.h"
#include "app/commandes.h"
#include "app/differee.h"
#include "app/twips.h"
#include "options/options.h"
#include "platform/chemins.h"
#include "platform/fichiers.h"
#include "platform/services.h"
#include "settings/etat.h"
#include "settings/parametres.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QHelpEvent>
#include <QIcon>
#include <QListWidget>
#include <QProgressBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QUrl>

#include <algorithm>

namespace {

int Indice(Bouton b) {
    return static_cast<int>(b);
}

QFont PoliceBoutons() {
    QFont police = QApplication::font();
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive)) {
        police.setFamily(QStringLiteral("Tahoma"));
    }
    police.setPointSize(8);
    return police;
}

// A journal line wider than the list shows whole in its tooltip; a line that fits needs none.
class DelegueJournal final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* evenement, QAbstractItemView* vue,
                   const QStyleOptionViewItem& option, const QModelIndex& index) override {
        if (evenement->type() != QEvent::ToolTip) {
            return QStyledItemDelegate::helpEvent(evenement, vue, option, index);
        }
        const QString texte = index.data(Qt::DisplayRole).toString();
        if (sizeHint(option, index).width() > vue->viewport()->width() - option.rect.left()) {
            QToolTip::showText(evenement->globalPos(), texte, vue->viewport(), option.rect);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
};

} // namespace

QIcon IconeProgramme() {
    Q_INIT_RESOURCE(synchro);
    return QIcon(QStringLiteral(":/synchro.svg"));
}

FenetrePrincipale::FenetrePrincipale(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("main"));
    setWindowIcon(IconeProgramme());
    const struct {
        const char* nom;
        QString libelle;
        QStyle::StandardPixmap image;
    } definitions[6] = {
        {"btnclient", QStringLiteral("Exécuter Zelvano sur base &Locale  "),
         QStyle::SP_ComputerIcon},
        {"btnsrv", QStringLiteral("Exécuter Zelvano sur base &Distante "), QStyle::SP_DriveNetIcon},
        {"btnsynchro", QStringLiteral("&Synchroniser les deux bases"), QStyle::SP_BrowserReload},
        {"btnCopier", QStringLiteral("&Initialiser la synchronisation"), QStyle::SP_ArrowDown},
        {"btnoptions", QStringLiteral("Modifier les &Options de synchronisation"),
         QStyle::SP_FileDialogDetailedView},
        {"btnAide", QStringLiteral("Consulter l'aide en ligne"), QStyle::SP_DialogHelpButton},
    };
    const QFont police = PoliceBoutons();
    for (int i = 0; i < 6; ++i) {
        auto* bouton = new BoutonCommande(definitions[i].libelle,
                                          style()->standardIcon(definitions[i].image), this);
        bouton->setObjectName(QString::fromLatin1(definitions[i].nom));
        bouton->setFont(police);
        boutons_[i] = bouton;
    }
    listsynchro_ = new QListWidget(this);
    listsynchro_->setObjectName(QStringLiteral("listsynchro"));
    listsynchro_->setItemDelegate(new DelegueJournal(listsynchro_));
    barreprogression_ = new QProgressBar(this);
    barreprogression_->setObjectName(QStringLiteral("barreprogression"));
    barreprogression_->setTextVisible(true);
    barreprogression_->hide();
    Timersynchro_.setObjectName(QStringLiteral("Timersynchro"));
    Timersynchro_.setInterval(30000);

    connect(boutons_[0], &QPushButton::clicked, this, [this] { btnclient_Click(*this); });
    connect(boutons_[1], &QPushButton::clicked, this, [this] { btnsrv_Click(*this); });
    connect(boutons_[2], &QPushButton::clicked, this, [this] { btnsynchro_Click(*this); });
    connect(boutons_[3], &QPushButton::clicked, this, [this] { btnCopier_Click(*this); });
    connect(&Timersynchro_, &Minuterie::timeout, this, [this] { Timersynchro_Timer(*this); });
    connect(boutons_[4], &QPushButton::clicked, this, &FenetrePrincipale::btnoptions_Click);
    connect(boutons_[5], &QPushButton::clicked, this, &FenetrePrincipale::btnAide_Click);
    connect(listsynchro_, &QListWidget::itemDoubleClicked, this,
            &FenetrePrincipale::listsynchro_DblClick);
    DefinirLargeur(LargeurSansAide, LargeurJournalSansAide, false);
    DeplierFenetre(false);
}

FenetrePrincipale::~FenetrePrincipale() = default;

void FenetrePrincipale::DefinirTitre(const QString& titre) {
    setWindowTitle(titre);
}

void FenetrePrincipale::AjouterLigneJournal(const QString& ligne) {
    listsynchro_->addItem(ligne);
    listsynchro_->setCurrentRow(listsynchro_->count() - 1);
}

void FenetrePrincipale::ViderJournal() {
    listsynchro_->clear();
}

void FenetrePrincipale::DefinirLibelle(Bouton bouton, const QString& libelle) {
    boutons_[Indice(bouton)]->setText(libelle);
}

void FenetrePrincipale::ActiverBouton(Bouton bouton, bool actif) {
    boutons_[Indice(bouton)]->setEnabled(actif);
}

bool FenetrePrincipale::BoutonActif(Bouton bouton) const {
    return boutons_[Indice(bouton)]->isEnabled();
}

BoutonCommande* FenetrePrincipale::BoutonDe(Bouton bouton) const {
    return boutons_[Indice(bouton)];
}

void FenetrePrincipale::ActiverBoutons(Etat client, Etat serveur, Etat synchro, Etat copier,
                                       Etat options, Etat aide) {
    const Etat etats[6] = {client, serveur, synchro, copier, options, aide};
    for (int i = 0; i < 6; ++i) {
        if (etats[i].has_value()) {
            boutons_[i]->setEnabled(*etats[i]);
        }
    }
    plateforme::DoEvents();
}

void FenetrePrincipale::DeplierFenetre(bool deplier) {
    if (!deplier && options_ != nullptr) {
        options_->close();
        options_ = nullptr;
    }
    depliee_ = deplier;
    Disposer();
}

void FenetrePrincipale::AfficherOptions(bool afficher) {
    if (afficher) {
        listsynchro_->hide();
        if (options_ == nullptr) {
            options_ = new DialogueOptions(*this);
            options_->setAttribute(Qt::WA_DeleteOnClose);
        }
        PlacerOptions(*options_);
        options_->show();
        return;
    }
    listsynchro_->show();
    // Back in its place below the buttons: widened to the whole window from its left margin,
    // it would run past the right edge and take its scroll bar out of sight.
    PlacerJournal();
    if (options_ != nullptr) {
        options_->close();
        options_ = nullptr;
    }
}

void FenetrePrincipale::PlacerOptions(QWidget& dialogue) const {
    const int marge = twips::VersPixels(60, this);
    const QPoint coin = mapToGlobal(QPoint(0, listsynchro_->y()));
    dialogue.move(frameGeometry().left() + marge, coin.y());
    dialogue.resize(width() - marge,
                    std::max(dialogue.sizeHint().height(), listsynchro_->height()));
}

void FenetrePrincipale::btnoptions_Click() {
    ActiverBoutons(false, false, false, false, std::nullopt, false);
    DeplierFenetre(true);
    AfficherOptions(true);
    AfficherEtat();
}

void FenetrePrincipale::DefinirLargeur(int largeurFenetre, int largeurJournal, bool aideVisible) {
    largeurTwips_ = largeurFenetre;
    largeurJournalTwips_ = largeurJournal;
    boutons_[Indice(Bouton::aide)]->setVisible(aideVisible);
    boutons_[Indice(Bouton::aide)]->setEnabled(aideVisible);
    Disposer();
}

int FenetrePrincipale::HauteurInterieureTwips() const {
    return twips::DePixels(height(), this);
}

int FenetrePrincipale::LargeurTwips() const {
    return twips::DePixels(width(), this);
}

// Sets the window to its folded or unfolded size; the user may make it larger (the buttons and
// the list follow, see PlacerJournal), never smaller.
void FenetrePrincipale::Disposer() {
    const int largeur = twips::VersPixels(largeurTwips_, this);
    const int hauteurBoutons = twips::VersPixels(HauteurBoutons, this);
    const int hauteur = hauteurBoutons + (depliee_ ? twips::VersPixels(HauteurJournal, this) : 0);
    setMinimumSize(largeur, hauteur);
    setMaximumHeight(depliee_ ? QWIDGETSIZE_MAX : hauteur);
    resize(largeur, hauteur);
    PlacerJournal();
}

void FenetrePrincipale::resizeEvent(QResizeEvent* evenement) {
    QWidget::resizeEvent(evenement);
    PlacerJournal();
}

// The buttons side by side across the width; below them the journal list inside the journal
// area, centred, a margin above and below, growing with the window beyond its own size; while
// a run shows its progress, the bar takes the bottom of the area and the list gives it its
// height.
void FenetrePrincipale::PlacerJournal() {
    const int largeur = std::max(width(), twips::VersPixels(largeurTwips_, this));
    const int hauteurBoutons = twips::VersPixels(HauteurBoutons, this);
    const bool aide = !boutons_[Indice(Bouton::aide)]->isHidden();
    const int nombre = aide ? 6 : 5;
    for (int i = 0; i < nombre; ++i) {
        const int gauche = largeur * i / nombre;
        const int droite = largeur * (i + 1) / nombre;
        boutons_[i]->setGeometry(gauche, 0, droite - gauche, hauteurBoutons);
    }
    const int hauteurJournal = twips::VersPixels(HauteurJournal, this);
    const int surplus = depliee_ ? std::max(height() - hauteurBoutons - hauteurJournal, 0) : 0;
    const int largeurJournal = twips::VersPixels(largeurJournalTwips_, this) + largeur -
                               twips::VersPixels(largeurTwips_, this);
    const int marge = twips::VersPixels(60, this);
    const int gauche = (largeur - largeurJournal) / 2;
    int hauteurListe = hauteurJournal + surplus - 2 * marge;
    if (!barreprogression_->isHidden()) {
        const int hauteurBarre = barreprogression_->sizeHint().height();
        hauteurListe -= hauteurBarre + marge;
        barreprogression_->setGeometry(gauche, hauteurBoutons + marge + hauteurListe + marge,
                                       largeurJournal, hauteurBarre);
    }
    listsynchro_->setGeometry(gauche, hauteurBoutons + marge, largeurJournal, hauteurListe);
}

void FenetrePrincipale::AfficherProgression(const QString& etape, qint64 fait, qint64 total) {
    // QProgressBar counts in int: large steps are shown in thousandths.
    const int maximum = total <= 0 ? 0 : 1000;
    const int valeur =
        total <= 0 ? 0 : static_cast<int>(std::clamp<qint64>(fait * 1000 / total, 0, 1000));
    barreprogression_->setRange(0, maximum);
    barreprogression_->setValue(valeur);
    barreprogression_->setFormat(
        total <= 0 ? etape : etape + QStringLiteral(" : %1 / %2").arg(fait).arg(total));
    if (barreprogression_->isHidden()) {
        barreprogression_->show();
        PlacerJournal();
    }
}

void FenetrePrincipale::MasquerProgression() {
    if (!barreprogression_->isHidden()) {
        barreprogression_->hide();
        PlacerJournal();
    }
}

QString FenetrePrincipale::CheminAide() const {
    QString dossier = plateforme::DossierProgramme();
    if (!dossier.endsWith(QLatin1Char('\\'))) {
        dossier += QLatin1Char('\\');
    }
    return dossier + QStringLiteral("synchro.chm");
}

void FenetrePrincipale::VerifierAide() {
    try {
        const plateforme::VersionOs version = plateforme::ServicesCourants().systeme->Version();
        if (version.majeure < 6 && plateforme::FichierExiste(CheminAide())) {
            DefinirLargeur(LargeurAvecAide, LargeurJournalAvecAide, true);
            return;
        }
    } catch (const std::exception&) {
        // Help problems never stop the window: the button is simply hidden.
    }
    DefinirLargeur(LargeurSansAide, LargeurJournalSansAide, false);
}

void FenetrePrincipale::btnAide_Click() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(plateforme::CheminNatif(CheminAide())));
}

void FenetrePrincipale::listsynchro_DblClick(QListWidgetItem* item) {
    if (item == nullptr || item->text().isEmpty()) {
        return;
    }
    plateforme::MsgBox(item->text(), plateforme::mb::OKOnly, QApplication::applicationName());
}

void FenetrePrincipale::Montrer() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

bool FenetrePrincipale::CommandeEnCours() const {
    return !boutons_[Indice(Bouton::options)]->isEnabled();
}

void FenetrePrincipale::closeEvent(QCloseEvent* evenement) {
    // A command runs inside the event loop: closed, it would go on with no window to report to
    // and keep the single-instance lock, so that a restart would end without a word.
    if (CommandeEnCours()) {
        evenement->ignore();
        plateforme::MsgBox(
            QStringLiteral("Fermeture impossible : une opération est en cours. Attendez qu'elle "
                           "soit terminée avant de quitter le module de synchronisation."),
            plateforme::mb::Exclamation | plateforme::mb::OKOnly, TitreModule);
        return;
    }
    EnregistrerPosition(*this);
    Timersynchro_.stop();
    evenement->accept();
    QApplication::quit();
}

void EnregistrerPosition(const QWidget& fenetre) {
    int etat = 0;
    if (fenetre.isMinimized()) {
        etat = 1;
    } else if (fenetre.isMaximized()) {
        etat = 2;
    }
    cles::Ecrire(cles::windowstate, etat);
    if (etat == 0) {
        cles::Ecrire(cles::top, twips::DePixels(fenetre.y(), &fenetre));
        cles::Ecrire(cles::left, twips::DePixels(fenetre.x(), &fenetre));
    }
}

void RestaurerPosition(QWidget& fenetre) {
    const int gauche = cles::LireEntier(cles::left);
    const int haut = cles::LireEntier(cles::top);
    const int etat = cles::LireEntier(cles::windowstate);
    QPoint coin = fenetre.pos();
    if (gauche != 0) {
        coin.setX(twips::VersPixels(gauche, &fenetre));
    }
    if (haut != 0) {
        coin.setY(twips::VersPixels(haut, &fenetre));
    }
    fenetre.move(coin);
    Qt::WindowStates etats = fenetre.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (etat == 1) {
        etats |= Qt::WindowMinimized;
    } else if (etat == 2) {
        etats |= Qt::WindowMaximized;
    }
    fenetre.setWindowState(etats);
}
