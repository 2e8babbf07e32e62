#pragma once

#include <TouchDialogs/SysUtils.h>
