#pragma once
#include "FakeHost.h"
#include "engine/Objects.h"
#include "script/Script.h"
#include "platform/Cp932.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qel::test {

// A game with a script store and the recording fake host.
class EngineTest : public ::testing::Test {
protected:
    FakeHost host;
    Game g{host};

    void script(std::vector<std::string> lines) { g.st.ScriptLines.assign(std::move(lines)); }
    // Runs from the line after a label, as a click on an object does.
    void runAt(const std::string& label) {
        FindLabel(g, label);
        ASSERT_GE(g.st.TargetLine, 0) << "no label " << label;
        RunScript(g, g.st.TargetLine);
    }
    // The error text a run raises, decoded for readable failures; empty when none.
    QString runError(const std::string& label) {
        try {
            runAt(label);
        } catch (const GameError& e) {
            return decode(e.text());
        }
        return {};
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& e : host.calls("text:")) out.push_back(e.substr(5));
        return out;
    }
};

inline QString u(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace qel::test
