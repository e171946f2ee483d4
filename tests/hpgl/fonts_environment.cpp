// Every HP-GL read loads the stroke fonts: give the whole suite the built-in
// ones in a private temp directory, as the program does at start-up.
#include <gtest/gtest.h>

#include "app/settings.h"

namespace {
class BuiltInFonts : public ::testing::Environment {
public:
    void SetUp() override { g_settings.InitFontPaths(); }
    void TearDown() override { g_settings.RemoveTempFiles(); }
};

const auto* const kFonts = ::testing::AddGlobalTestEnvironment(new BuiltInFonts);
}  // namespace
