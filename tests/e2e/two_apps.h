// A private desktop with two web browsers, Alpha (the first registered, so GIO's default) and
// Beta, for the end-to-end tests that need little more than a populated screen.
#pragma once

#include <gtest/gtest.h>

#include "xdg_env.h"

class TwoApps : public ::testing::Test {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"text/html"});
        env.add_app("beta", "Beta", {"text/html"});
        env.register_apps();
    }
    XdgEnv env;
};
