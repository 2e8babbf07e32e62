#pragma once

#include <TouchDialogs/Export.h>
