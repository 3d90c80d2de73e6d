// Whether GIO does what a profile declares: each type of each of its lines against GIO's own
// answer, and what decides the types that drift.
#pragma once

#include <string>
#include <vector>

#include "explain/why.h"
#include "settings/profile.h"

// One type whose default GIO answers otherwise than the profile declares.
struct CheckDrift {
    std::string key; // the profile's key that declares it, and its line
    size_t line;
    std::string declared; // the profile's desktop ID
    WhyType why;          // the type, GIO's answer and what decides it
};

struct CheckResult {
    size_t checked = 0; // the types checked
    std::vector<CheckDrift> drift;
    std::vector<std::string> missing; // declared desktop IDs that are not installed, each once
};

// Checks each type of every choice (a type two choices name, against the one an apply makes
// it: see profile_choices) against GIO's answer.
CheckResult check_profile(const ProfileChoices &choices);
