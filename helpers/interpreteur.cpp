// The stand-in command interpreter (CMD.EXE, COMMAND.COM): "/c net use" and "/c subst" act on
// the drives of the emulated machine; any other "/c" command runs through /bin/sh, so that a
// site's own commands work.
#include "lecteurs.h"

#include "platform/processus.h"

#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

namespace {

QString Verbe(const QString& mot) {
    QString v = mot.toLower();
    if (v.endsWith(QStringLiteral(".exe")) || v.endsWith(QStringLiteral(".com"))) {
        v.chop(4);
    }
    return v;
}

QString CiteePourShell(const QString& argument) {
    QString a = argument;
    a.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + a + QLatin1Char('\'');
}

// One argument is the whole command line quoted, as in CMD.EXE /c "a b > c"; several arguments
// come from a line split by the Windows rules, where a group in quotes stays one word.
QString LignePourShell(const QStringList& commande) {
    if (commande.size() == 1) {
        return commande.first();
    }
    QStringList mots;
    for (const QString& a : commande) {
        const bool aCiter =
            a.isEmpty() || a.contains(QLatin1Char(' ')) || a.contains(QLatin1Char('\t'));
        mots.append(aCiter ? CiteePourShell(a) : a);
    }
    return mots.join(QLatin1Char(' '));
}

int ParLeShell(const QStringList& commande) {
    const QByteArray ligne = LignePourShell(commande).toUtf8();
    const char* argv[] = {"sh", "-c", ligne.constData(), nullptr};
    std::fflush(nullptr);
    execv("/bin/sh", const_cast<char* const*>(argv));
    std::perror("/bin/sh");
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    // Switches before /c (/q, /d, /e:on...) are accepted and ignored.
    qsizetype i = 0;
    bool commandeDonnee = false;
    for (; i < arguments.size(); ++i) {
        const QString a = arguments[i].toLower();
        if (a == QLatin1String("/c") || a == QLatin1String("/k")) {
            commandeDonnee = true;
            ++i;
            break;
        }
        if (!a.startsWith(QLatin1Char('/'))) {
            break;
        }
    }
    if (!commandeDonnee) {
        return 0; // no interactive session here
    }
    QStringList commande = arguments.mid(i);
    if (commande.isEmpty()) {
        return 0;
    }
    if (commande.size() == 1) {
        const QStringList mots = plateforme::DecouperLigneCommande(commande.first());
        if (!mots.isEmpty() && (Verbe(mots.first()) == QLatin1String("net") ||
                                Verbe(mots.first()) == QLatin1String("subst"))) {
            commande = mots;
        }
    }
    const QString verbe = Verbe(commande.first());
    if (verbe == QLatin1String("net") && commande.size() >= 2 &&
        commande[1].toLower() == QLatin1String("use")) {
        return interpreteur::NetUse(commande.mid(2));
    }
    if (verbe == QLatin1String("subst")) {
        return interpreteur::Subst(commande.mid(1));
    }
    return ParLeShell(commande);
}
