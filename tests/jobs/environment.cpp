// Imports read the stroke fonts: give the suite the built-in ones, and make
// every designed wait short.
#include <gtest/gtest.h>

#include "app/settings.h"
#include "app/time_scale.h"

namespace {
class JobsEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        g_settings.InitFontPaths();
        vexa::SetTimeScale(0.001);
    }
    void TearDown() override { g_settings.RemoveTempFiles(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new JobsEnvironment);
}  // namespace
