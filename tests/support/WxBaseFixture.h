#pragma once
// Starts the toolkit's base library (no GUI, no display) once for tests of classes that use its
// configuration store and streams, and turns its assertions into test failures.
#include <gtest/gtest.h>
#include <wx/init.h>

#include "support/GLTestHarness.h"

class WxBaseTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static wxInitializer* init = [] {
            auto* i = new wxInitializer;
            testsupport::InstallWxTestHandlers();
            return i;
        }();
        ASSERT_TRUE(init->IsOk());
    }
};
