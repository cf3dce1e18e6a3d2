#pragma once

#include <string>

#include "high/high.h"
#include "low/other.h"
