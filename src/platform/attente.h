#pragma once

#include <QList>
#include <QString>

// Waits that reach only the clock, the message loop and the task list: a delay that keeps the
// window alive, and the task list as the utility library gives it.

// One task of the utility library's listing: its first and its second item (the second holds
// the program or the command line).
struct TacheQb32 {
    QString ItemA;
    QString ItemB;
};

// The tasks of the last listing, from index 1; index 0 holds no task.
extern QList<TacheQb32> qb32_TabTaskList;

// Refills qb32_TabTaskList and returns the number of complete tasks (0 when the library fails or
// the listing holds fewer than three markers).
qint16 ChargerListeTaches();
// The same from a listing of `taille` characters; false when the library fails (the array is
// then left as it was and `nombre` is 0).
bool LireListeTaches(qint32 taille, qint16& nombre);

// Returns after about `secondes` seconds (between secondes - 1 and secondes, the clock being read
// to the second), the window kept alive meanwhile.
void AttendreSecondes(qint16 secondes);
