#pragma once

#include "sync/fusion.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

class QComboBox;

// Before a synchronisation, the fields changed both on the laptop and on the server since the
// last initialisation: one line each with its three values side by side, and per line the value
// the server keeps. The other ecarts given are not shown: they go to the server anyway.
class DialogueConflits final : public QDialog {
    Q_OBJECT
public:
    explicit DialogueConflits(const QList<fusion::Ecart>& ecarts, QWidget* parent = nullptr);

    // The lines where the laptop's value was taken, by Ecart::Cle(), with the server value the
    // user saw; empty when the server's value was kept everywhere.
    QHash<QString, QVariant> ChoixRetenus() const;

private:
    void Remplir();
    void Terminer(bool avecChoix);

    QList<fusion::Ecart> conflits_;
    QList<QComboBox*> choix_;
    bool avecChoix_ = false;
};

// Shows the dialog over `parent`. False when the user cancels the synchronisation; otherwise
// adds to `choixLocaux` the lines where the laptop's value was taken.
bool ChoisirConflits(QWidget* parent, const QList<fusion::Ecart>& ecarts,
                     QHash<QString, QVariant>& choixLocaux);
