// A scene with speech controllers, scripted message boxes and a scripted
// speech engine for the utility and its script editor.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Interface.h"
#include "Registry.h"
#include "ScriptedEngine.h"
#include "ScriptedPrompts.h"
#include "Settings.h"
#include "SpeechController.h"
#include "SpeechUtility.h"

namespace lipsmith::testing {

// An engine whose recognizer may be missing; it listens (IsDone busy)
// until StopReco, hearing nothing.
class ReckonedEngine : public ScriptedEngine {
public:
    HRESULT checkResult = S_OK;
    std::vector<std::string> grammars;
    int stopRecos = 0;
    HRESULT CheckEngine() override { return checkResult; }
    HRESULT SpeechReco(const std::string& grammar) override {
        grammars.push_back(grammar);
        listening_ = true;
        return S_OK;
    }
    HRESULT SetSpeechWaveFile(const std::string&) override { return S_OK; }
    HRESULT StopReco() override {
        listening_ = false;
        ++stopRecos;
        return S_OK;
    }
    HRESULT IsDone() override { return listening_ ? S_FALSE : ScriptedEngine::IsDone(); }

private:
    bool listening_ = false;
};

// Sets a settings value ("" removes it).
inline void SetSetting(const char* name, const std::string& value) {
    RegKey key;
    ASSERT_EQ(key.Create(kSettingsHive, kSettingsKey), ERROR_SUCCESS);
    if (value.empty())
        key.DeleteValue(name);
    else
        key.SetString(name, value);
}

// A new controller assigned to a new track of the node, as a host assigns one.
inline SpeechController* AddController(INode* node, ChannelId channel) {
    auto* c = new SpeechController();
    c->channel = channel;
    node->AssignController(node->AddTrack(ChannelName(channel)), c);
    return c;
}

}  // namespace lipsmith::testing
