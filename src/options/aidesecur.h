#pragma once

#include <QDialog>

// The help window on the copy modes: a two-by-two table, secure or not, all files or modified
// files only.
class AideSecur : public QDialog {
    Q_OBJECT
public:
    explicit AideSecur(QWidget* parent = nullptr);

    static QString Texte(bool securisee, bool modifiesUniquement);
};
