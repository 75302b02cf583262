#pragma once

#include "settings/cles.h"

#include <QDialog>
#include <QTimer>

#include <array>
#include <vector>

class FenetrePrincipale;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

// The dialog `options`: edits every setting of synchro.ini, arms or disarms the deferred
// synchronisation, shows the journal file and the help on copy modes. It lives over the journal
// area of the main window from `btnoptions` until Save or Cancel.
class DialogueOptions : public QDialog {
    Q_OBJECT
public:
    explicit DialogueOptions(FenetrePrincipale& principale);

    // Controls, by their names.
    QLineEdit* c1 = nullptr;
    std::array<QLineEdit*, 10> cdir{};
    QLineEdit* cbl = nullptr;
    QLineEdit* cbd = nullptr;
    QLineEdit* cloc = nullptr;
    QLineEdit* cdist = nullptr;
    QLineEdit* cdpl = nullptr;
    QLineEdit* ccpl = nullptr;
    QLineEdit* cdpd = nullptr;
    QLineEdit* ccpd = nullptr;
    QLineEdit* cini = nullptr;
    QLineEdit* cexec = nullptr;
    QCheckBox* cdebug = nullptr;
    QCheckBox* cshellS = nullptr;
    QCheckBox* clog = nullptr;
    QCheckBox* cnowarning = nullptr;
    QCheckBox* cCopieSec = nullptr;
    QCheckBox* cModifSeul = nullptr;
    QCheckBox* synchrodifferee = nullptr;
    QLineEdit* synchrodiffereelea = nullptr;
    QCheckBox* synchrodiffereearret = nullptr;
    QPushButton* Command1 = nullptr; // Annuler
    QPushButton* Command2 = nullptr; // Enregistrer
    QPushButton* Command3 = nullptr; // Visualiser le journal
    QPushButton* Command4 = nullptr; // aide sur les modes de copie
    QTimer Timer1;

    void Command2_Click(); // save
    void Command1_Click(); // cancel
    void Command3_Click(); // view the journal
    void Command4_Click(); // help on copy modes
    void Timer1_Timer();
    void cloc_LostFocus();

protected:
    void changeEvent(QEvent* evenement) override;
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    QGroupBox* ConstruireCadre();
    void Charger();
    void c1_Change();
    void synchrodifferee_Click();
    // Checks the deferred time; false (and the message shown) when it is refused.
    bool HeureDiffereeValide(const QString& heure);
    void EnregistrerSynchroDifferee();
    void CopierDansParametres();
    void EcrireReglages();
    void Fermer();

    // A field of the dialog and the key it shows: a text field, or a check box (0 or 1).
    struct Lien {
        const cles::Cle* cle;
        QLineEdit* texte = nullptr;
        QCheckBox* coche = nullptr;
    };

    FenetrePrincipale& principale_;
    QString tagTimer1_;
    // Every field but the deferred synchronisation's, in the order the save writes them.
    std::vector<Lien> liens_;
};
