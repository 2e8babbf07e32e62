#pragma once

#include <TouchDialogs/Exceptions.h>
