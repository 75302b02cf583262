#include "app/services_qt.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTranslator>

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

// The box's details button speaks French without Qt's translation files being installed.
class TraductionBoites final : public QTranslator {
public:
    QString translate(const char* contexte, const char* source, const char* desambiguisation,
                      int n) const override {
        (void)desambiguisation, (void)n;
        if (qstrcmp(contexte, "QMessageBox") != 0) {
            return {};
        }
        if (qstrcmp(source, "Show Details...") == 0) {
            return QStringLiteral("Afficher les détails...");
        }
        if (qstrcmp(source, "Hide Details...") == 0) {
            return QStringLiteral("Masquer les détails...");
        }
        return {};
    }
    bool isEmpty() const override { return false; }
};

void InstallerTraduction() {
    static bool installee = false;
    if (!installee && QCoreApplication::instance() != nullptr) {
        static TraductionBoites traduction;
        QCoreApplication::installTranslator(&traduction);
        installee = true;
    }
}

} // namespace

int BoitesQt::Afficher(const QString& texte, int style, const QString& titre) {
    return AfficherAvecDetails(texte, style, titre, {});
}

int BoitesQt::AfficherAvecDetails(const QString& texte, int style, const QString& titre,
                                  const QString& details) {
    using namespace plateforme;
    InstallerTraduction();
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
