#include "app/services_qt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

int BoitesQt::Afficher(const QString& texte, int style, const QString& titre) {
    using namespace plateforme;
    QMessageBox boite;
    boite.setWindowTitle(titre);
    boite.setText(QString(texte).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    switch (style & 0x70) {
    case mb::Critical:
        boite.setIcon(QMessageBox::Critical);
        break;
    case mb::Question:
        boite.setIcon(QMessageBox::Question);
        break;
    case mb::Exclamation:
        boite.setIcon(QMessageBox::Warning);
        break;
    case mb::Information:
        boite.setIcon(QMessageBox::Information);
        break;
    default:
        boite.setIcon(QMessageBox::NoIcon);
        break;
    }
    if ((style & 7) == mb::YesNo) {
        QPushButton* oui = boite.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
        QPushButton* non = boite.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
        boite.setDefaultButton((style & mb::DefaultButton2) != 0 ? non : oui);
        boite.setEscapeButton(non);
        boite.exec();
        return boite.clickedButton() == oui ? mb::Yes : mb::No;
    }
    boite.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    boite.exec();
    return mb::OK;
}

void EcranQt::DefinirPointeur(int forme) {
    const bool sablier = forme == plateforme::pointeur::Sablier;
    if (sablier && !sablier_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (!sablier && sablier_) {
        QApplication::restoreOverrideCursor();
    }
    sablier_ = sablier;
}
