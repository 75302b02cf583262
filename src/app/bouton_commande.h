#pragma once

#include <QPushButton>

// A command button of the main window: its picture above its caption, the caption wrapped over
// several lines as the row of six buttons is narrow. text() keeps the exact caption.
class BoutonCommande : public QPushButton {
    Q_OBJECT
public:
    BoutonCommande(const QString& libelle, const QIcon& image, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* evenement) override;
};
