#pragma once

// File-system operations on Windows paths (see chemins.h), by job: listing with wildcards,
// single-file operations, copies into opened folders. Failures raise plateforme::Erreur with the
// classic numbers (53 file not found, 76 path not found, 70 permission denied, 61 disk full...).
#include "platform/fichiers_liste.h"
#include "platform/fichiers_lots.h"
#include "platform/fichiers_operations.h"
