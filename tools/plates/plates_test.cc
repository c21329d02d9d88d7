#include "plates/plates.h"

#include <gtest/gtest.h>
