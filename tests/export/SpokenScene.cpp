#include "SpokenScene.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>

#include "DemoScene.h"
#include "PhonemeMapFile.h"
#include "SceneJson.h"
#include "SpeechController.h"

namespace lipsmith::testing {

TimeValue TicksOfMs(long long ms) { return static_cast<TimeValue>(static_cast<double>(ms) * 4.827789054193712); }

void BuildRig(Interface& ip) {
    std::string error;
    ASSERT_TRUE(BuildDemoScene(ip, &error)) << error;
}

void Speak(Interface& ip, const char* nodeName, const std::vector<Spoken>& phonemes, long long startMs) {
    PhonemeMap map{};
    ASSERT_EQ(LoadPhonemeMap(map), S_OK);
    INode* node = ip.GetINodeByName(nodeName);
    ASSERT_NE(node, nullptr);
    std::vector<SpeechController*> mouths;
    std::vector<INode*> stack{node};
    while (!stack.empty()) {
        INode* n = stack.back();
        stack.pop_back();
        ForEachSpeechController(n, [&](const std::string&, SpeechController* c) {
            if (IsMouthChannel(c->channel)) mouths.push_back(c);
        });
        for (int i = 0; i < n->NumberOfChildren(); ++i) stack.push_back(n->GetChildNode(i));
    }
    long long ms = startMs;
    for (const Spoken& p : phonemes) {
        const TimeValue t = TicksOfMs(ms);
        const PhonemeEntry* entry = nullptr;
        for (const PhonemeEntry& e : map) {
            if (e.name == p.symbol) entry = &e;
        }
        ASSERT_NE(entry, nullptr) << p.symbol;
        for (SpeechController* c : mouths) {
            c->AddNote(t, p.symbol);
            float v = (*entry)[*MouthParameterOfChannel(c->channel)];
            c->SetValueLocalTime(t, &v);
        }
        ms += p.ms;
    }
}

void RigTest::SetUp() {
    ClassDirectory::Get().AddClass(GetSpeechControllerDesc());
    BuildRig(ip);
}

void RigTest::TearDown() {
    ip.ResetScene();
    ClassDirectory::Get().RemoveClass(GetSpeechControllerDesc());
}

void WriteSilentWave(const std::string& path, int ms) {
    const std::uint32_t samples = static_cast<std::uint32_t>(22050LL * ms / 1000);
    const std::uint32_t data = samples * 2;
    std::ofstream out(path, std::ios::binary);
    const auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out << "RIFF";
    u32(36 + data);
    out << "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(22050);
    u32(44100);
    u16(2);
    u16(16);
    out << "data";
    u32(data);
    out << std::string(data, '\0');
}

}  // namespace lipsmith::testing
