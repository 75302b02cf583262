#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// A file layer slipped under SQLite (registered as its default, over the real one) that counts
// the reads, writes, flushes and locks made on the files below a folder (bases, their
// journals, temporary copies) and fails the chosen one: what a failing disk, a full disk, a
// lost network link or a lock held elsewhere look like to the module.
namespace pannes {

enum class Appel { Lecture, Ecriture, Synchro, Verrou };
constexpr int NombreAppels = 4;
const char* Nom(Appel appel);

// Registers the layer once (idempotent). Connections opened afterwards go through it.
void InstallerVfs();

// Starts counting from zero the calls made on files below `dossierNatif`.
void Commencer(const QString& dossierNatif);
// The `n`th call (from 1) of `appel` returns `code` without reaching the file; once.
void Programmer(Appel appel, qint64 n, int code);
// From the `n`th call of `appel` on, every call of that kind fails with `code`.
void ProgrammerPersistant(Appel appel, qint64 n, int code);
// Runs `action` just before the `n`th call of `appel` goes through; once.
void ProgrammerAction(Appel appel, qint64 n, std::function<void()> action);
// Stops counting and failing (a cut made by Couper stays).
void Arreter();

// Every read, write, flush or lock on a file below one of `dossiersNatifs` fails with `code`
// from now on, whoever opened it and whenever: a share that went away under open files.
void Couper(const QStringList& dossiersNatifs, int code);
void Retablir();

// What the calls that went through did to the files, wherever they are, told to `temoin` once
// done (the power-cut tests follow the files with it; an empty one stops): Creation or
// Ouverture of an existing file (with SQLite's open flags), Synchro (with its flags),
// Suppression (1 when SQLite asked for the folder to be flushed after the removal, else 0).
enum class Effet { Creation, Ouverture, Synchro, Suppression };
using Temoin = std::function<void(Effet effet, const char* nom, int drapeaux)>;
void Observer(Temoin temoin);

qint64 Appels(Appel appel);
// Calls that were failed (or actions run) since Commencer.
int Declenchees();

} // namespace pannes
