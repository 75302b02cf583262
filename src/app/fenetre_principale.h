#pragma once

#include "app/minuterie.h"
#include "settings/fenetre.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <optional>

class BoutonCommande;
class QIcon;
class QListWidget;
class QListWidgetItem;
class QProgressBar;

// The form `main`: a row of six command buttons above the journal list `listsynchro`.
class FenetrePrincipale : public QWidget, public Fenetre {
    Q_OBJECT
public:
    // Geometry in twips.
    static constexpr int HauteurBoutons = 1095;
    static constexpr int HauteurJournal = 5635;
    static constexpr int LargeurAvecAide = 10545;
    static constexpr int LargeurJournalAvecAide = 9975;
    static constexpr int LargeurSansAide = 8805;
    static constexpr int LargeurJournalSansAide = 8295;

    explicit FenetrePrincipale(QWidget* parent = nullptr);
    ~FenetrePrincipale() override;

    // Fenetre
    void DefinirTitre(const QString& titre) override;
    void AjouterLigneJournal(const QString& ligne) override;
    void ViderJournal() override;
    void DefinirLibelle(Bouton bouton, const QString& libelle) override;
    void ActiverBouton(Bouton bouton, bool actif) override;
    bool BoutonActif(Bouton bouton) const override;
    void AfficherProgression(const QString& etape, qint64 fait, qint64 total) override;
    void MasquerProgression() override;

    using Etat = std::optional<bool>; // no value: left unchanged
    void ActiverBoutons(Etat client, Etat serveur, Etat synchro, Etat copier, Etat options,
                        Etat aide);
    void DeplierFenetre(bool deplier);
    bool EstDepliee() const { return depliee_; }
    // A command runs: all six buttons are disabled (the options dialog leaves `btnoptions` on).
    bool CommandeEnCours() const;

    // Help is offered when the help file exists and the system is older than version 6.
    void VerifierAide();
    // Width in twips of the window and of the journal list; the help button shown or hidden.
    void DefinirLargeur(int largeurFenetre, int largeurJournal, bool aideVisible);

    BoutonCommande* BoutonDe(Bouton bouton) const;
    QListWidget* listsynchro() const { return listsynchro_; }
    QProgressBar* barreprogression() const { return barreprogression_; }
    Minuterie& Timersynchro() { return Timersynchro_; }
    int HauteurInterieureTwips() const;
    int LargeurTwips() const;

    // True: the options dialog over the journal area (the list hidden); false: the list back
    // and the dialog unloaded.
    void AfficherOptions(bool afficher);
    // Puts the dialog over the journal area: below the buttons, 60 twips from the left edge.
    void PlacerOptions(QWidget& dialogue) const;
    QWidget* Options() const { return options_; }
    void btnoptions_Click();

    // Brings the window back in front of the user, restored when minimised (a second start of
    // the program asks for it).
    void Montrer();

protected:
    void closeEvent(QCloseEvent* evenement) override;
    void resizeEvent(QResizeEvent* evenement) override;

private:
    void btnAide_Click();
    void listsynchro_DblClick(QListWidgetItem* item);
    void Disposer();
    void PlacerJournal();
    QString CheminAide() const;

    std::array<BoutonCommande*, 6> boutons_{};
    QListWidget* listsynchro_ = nullptr;
    QProgressBar* barreprogression_ = nullptr;
    Minuterie Timersynchro_;
    QPointer<QWidget> options_;
    bool depliee_ = false;
    int largeurTwips_ = LargeurSansAide;
    int largeurJournalTwips_ = LargeurJournalSansAide;
};

// The program's icon, the menu entry's.
QIcon IconeProgramme();

// Writes the `position` keys as the window closes: `windowstate` always, `top` then `left` only
// when the window is in its normal state.
void EnregistrerPosition(const QWidget& fenetre);
// Applies the `position` keys: `left` and `top` only when not 0, `windowstate` always.
void RestaurerPosition(QWidget& fenetre);
