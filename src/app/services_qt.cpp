#include "app/services_qt.h"

#include "platform/traduction.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QStringList>

namespace {

// The box wraps its text at a width of its own, narrower than the long lines of the module's
// notices ("... seront prises en compte" broken before its last word): widen the text to its
// longest line, within a width that still fits a small screen.
void ElargirPourLeTexte(QMessageBox& boite, const QString& texte) {
    QLabel* libelle = boite.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (libelle == nullptr) {
        return;
    }
    const QFontMetrics mesures(libelle->font());
    int largeur = 0;
    for (const QString& ligne : texte.split(QLatin1Char('\n'))) {
        largeur = qMax(largeur, mesures.horizontalAdvance(ligne));
    }
    constexpr int LargeurMaximale = 640;
    libelle->setMinimumWidth(qMin(largeur + mesures.averageCharWidth(), LargeurMaximale));
}

} // namespace

int BoitesQt::Afficher(const QString& texte, int style, const QString& titre) {
    return AfficherAvecDetails(texte, style, titre, {});
}

int BoitesQt::AfficherAvecDetails(const QString& texte, int style, const QString& titre,
                                  const QString& details) {
    using namespace plateforme;
    // Qt's French texts for the standard buttons and the details button.
    plateforme::InstallerTraductionQt();
    QMessageBox boite;
    boite.setWindowTitle(titre);
    const QString lignes = QString(texte).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    boite.setText(lignes);
    if (!details.isEmpty()) {
        boite.setDetailedText(details);
    }
    ElargirPourLeTexte(boite, lignes);
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
        boite.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        boite.setDefaultButton((style & mb::DefaultButton2) != 0 ? QMessageBox::No
                                                                 : QMessageBox::Yes);
        boite.setEscapeButton(QMessageBox::No);
        return boite.exec() == QMessageBox::Yes ? mb::Yes : mb::No;
    }
    boite.setStandardButtons(QMessageBox::Ok);
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
