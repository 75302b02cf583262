#pragma once

#include "pratique/lieux.h"
