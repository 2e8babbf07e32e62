#pragma once

#include <TouchDialogs/Fields.h>
