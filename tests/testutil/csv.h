#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace essais {

// The lines of one of a run's CSV reports, once its byte-order mark and its CR LF ends are
// checked.
inline QStringList LignesCsv(const QByteArray& contenu) {
    static const QByteArray Bom = QByteArrayLiteral("\xEF\xBB\xBF");
    EXPECT_TRUE(contenu.startsWith(Bom));
    EXPECT_TRUE(contenu.endsWith("\r\n"));
    QStringList lignes = QString::fromUtf8(contenu.mid(Bom.size())).split(QStringLiteral("\r\n"));
    lignes.removeLast();
    for (const QString& l : lignes) {
        EXPECT_FALSE(l.contains(QLatin1Char('\n'))) << l.toStdString();
    }
    return lignes;
}

} // namespace essais
