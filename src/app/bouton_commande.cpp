#include "app/bouton_commande.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

BoutonCommande::BoutonCommande(const QString& libelle, const QIcon& image, QWidget* parent)
    : QPushButton(libelle, parent) {
    setIcon(image);
    setIconSize(QSize(24, 24));
}

void BoutonCommande::paintEvent(QPaintEvent*) {
    QStylePainter peintre(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    peintre.drawControl(QStyle::CE_PushButtonBevel, option);

    const QRect zone = rect().adjusted(4, 4, -4, -4);
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    const QPixmap image = icon().pixmap(iconSize(), mode);
    const int xImage = zone.left() + (zone.width() - iconSize().width()) / 2;
    peintre.drawPixmap(xImage, zone.top(), image);

    const QRect zoneTexte = zone.adjusted(0, iconSize().height() + 2, 0, 0);
    style()->drawItemText(&peintre, zoneTexte,
                          Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic,
                          palette(), isEnabled(), text(), QPalette::ButtonText);
}
