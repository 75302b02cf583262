#pragma once

#include "jet/dao.h"

#include <memory>

// The two practice bases of a synchronisation run: the run opens them, the walk over the
// synchro table, the record transfer and the objects work through them, and the run releases
// them when it ends (reset() closes nothing by itself: call Close() first where it matters).
std::shared_ptr<dao::Database>& BaseDistante();
std::shared_ptr<dao::Database>& BaseLocale();

// The open base, or error 91 ("Variable objet ou variable bloc With non définie") when the run
// has not opened it.
dao::Database& BaseDistanteOuverte();
dao::Database& BaseLocaleOuverte();
