#include <gtest/gtest.h>

#include "pictures.h"
