#include "texture/image_decoder.h"
#include <gtest/gtest.h>
TEST(Placeholder, Builds) {}
