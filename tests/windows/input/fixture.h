// The common ground of the input tests: a fresh keyboard state, a recorder
// window in the foreground, sounds silenced through the seam, and no
// modifier left down for the next test whatever this one did.
#ifndef ORVIK_TESTS_INPUT_FIXTURE_H
#define ORVIK_TESTS_INPUT_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "events.h"
#include "recorder.h"

using Messages = std::vector<std::string>;

const POINT POINTER_HOME = {300, 250};  // inside the recorder window

class InputTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Title of the recorder window; "Desktop" tests override it.
    virtual const char* WindowTitle() const { return "Orvik input test"; }

    RecorderWindow recorder_;
};

// Key-ups for the Ctrl, Shift and Alt keys that are down, and Caps Lock off.
void ReleaseModifiersAndCaps();

#endif
