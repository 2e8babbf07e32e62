#pragma once

#include <TouchDialogs/ClientDataSet.h>
