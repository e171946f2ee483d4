// End-to-end runs: the built-in fonts, and every designed wait shortened a
// thousandfold (the link's own time limits stay real).
#include <gtest/gtest.h>

#include "app/settings.h"
#include "app/time_scale.h"

namespace {
class E2eEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        g_settings.InitFontPaths();
        vexa::SetTimeScale(0.001);
    }
    void TearDown() override { g_settings.RemoveTempFiles(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new E2eEnvironment);
}  // namespace
