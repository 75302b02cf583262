#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;

// The practice application as the demo needs it: it opens the base behind drive P, shows which
// copy that is, and creates a patient with a consultation, a prescription, a letter (and its
// document file) and an object, numbered as the application numbers them (largest + 1); it also
// corrects the town of an existing patient, the kind of edit a synchronisation does not carry.
class ApplicationPratique : public QWidget {
    Q_OBJECT
public:
    explicit ApplicationPratique(const QString& fichierIni, QWidget* parent = nullptr);

    // Creates the records; returns the new patient's identifier (0 and a message on failure).
    qint64 CreerPatient(const QString& nom, const QString& prenom);
    // Sets the town of the patient `identifiant`; false and a message when there is none.
    bool ModifierVille(qint64 identifiant, const QString& ville);
    QString Poste() const { return poste_; }
    QString CheminBase() const;

private:
    void Actualiser();
    QString Chemin(const QString& dossier) const; // P:\zelvano\<dossier>

    QString fichierIni_;
    QString poste_;
    QString zelvanodir_;
    QString courrierdir_;
    QString datadir_;
    QLabel* etat_ = nullptr;
    QLineEdit* nom_ = nullptr;
    QLineEdit* prenom_ = nullptr;
    QLineEdit* numero_ = nullptr;
    QLineEdit* ville_ = nullptr;
    QListWidget* crees_ = nullptr;
};
