// Voices of other languages through the real espeak-ng: every phoneme they
// report is in the phoneme table (none keyed by a guess), and the voice
// hands out one phoneme notification for each sounded phoneme of the
// engine, none lost.
#include <gtest/gtest.h>

#include <cstring>

#include "EspeakEngine.h"
#include "EspeakPhones.h"
#include "SpeechApi.h"
#include "VoiceHarness.h"

namespace lipsmith::engines {
namespace {

struct Sample {
    const char* language;
    const char* text;
};

// Pangrams and everyday words that between them use the sounds each
// language has and English lacks.
const Sample kSamples[] = {
    {"de", "Zwölf Boxkämpfer jagen Viktor quer über den großen Sylter Deich. Ich möchte ein Stück Käse und "
           "Brötchen. Pfeffer, Zucker, Quark, Schiff, Chemie, Mädchen, Häuser, Euro, Ufer, Ökonomie, acht."},
    {"fr", "Voix ambiguë d'un cœur qui au zéphyr préfère les jattes de kiwis. Un bon vin blanc. Huit, oui, "
           "lui, genou, brun, champagne, fille, travail, œuf, deux, seul, rue, vingt, parfum."},
    {"es", "El veloz murciélago hindú comía feliz cardillo y kiwi. La cigüeña tocaba el saxofón. Llueve, "
           "calle, niño, jamón, guerra, hijo, zapato, cielo, agua, huevo."},
    {"it", "Ma la volpe, col suo balzo, ha raggiunto il quieto Fido. Gli gnocchi sono buoni. Chiesa, "
           "giorno, scienza, figlio, bagno, pizza, zero, ciao, grazie, uomo, perché, mezzo, oggi."},
    {"pl", "Pchnąć w tę łódź jeża lub ośm skrzyń fig. Zażółć gęślą jaźń. Szczęście, źródło, rzeka, "
           "chrząszcz brzmi w trzcinie, dziękuję, cześć, dźwięk, ćma, niebo, jabłko, dzwon."},
    {"nl", "Pa's wijze lynx bezag vroom het fikse aquaduct. Goede morgen, hoe gaat het met u? Schip, huis, "
           "uit, reus, buur, zee, licht, gracht."},
    {"pt", "Eu gostaria de um café, por favor. Coração, pão, mãe, filho, trabalho, chuva, sim, bom, "
           "fé, chá, óxido, pôr."},
    // Words of other languages make the voice switch language for them.
    {"de", "Das Meeting mit dem Team ist ein Happy End, sagte der Manager im Computer Center."},
    {"ru", "Съешь же ещё этих мягких французских булок, да выпей чаю. Щука, жизнь, цирк, хлеб, юг, ёж, "
           "мир, дом, счастье."},
};

// The engine's own phonemes of a text.
class Collect : public SynthListener {
public:
    void OnEvent(const espeak_EVENT& e) override {
        if (e.type == espeakEVENT_PHONEME) names.emplace_back(e.id.string, strnlen(e.id.string, sizeof e.id.string));
    }
    bool OnAudio(const short*, int) override { return true; }
    void OnClausePhonemes(const char*) override {}
    bool Aborted() const override { return false; }
    std::vector<std::string> names;
};

class DiscardSink : public speech::AudioSink {
public:
    speech::WaveFormat Format() const override { return speech::Format22kHz16BitMono(); }
    HRESULT Write(const void*, std::size_t) override { return S_OK; }
};

const speech::VoiceToken* VoiceOf(const std::vector<speech::VoiceToken>& voices, const std::string& language) {
    for (const speech::VoiceToken& v : voices)
        if (v.language == language) return &v;
    return nullptr;
}

TEST(OtherLanguages, EveryPhonemeOfTheirVoicesIsInTheTableAndNoneIsLost) {
    EspeakEngine* engine = EspeakEngine::Get();
    ASSERT_NE(engine, nullptr);
    const std::vector<speech::VoiceToken> voices = speech::EnumerateVoices();
    int tested = 0;
    for (const Sample& s : kSamples) {
        const speech::VoiceToken* voice = VoiceOf(voices, s.language);
        if (!voice) continue;
        SCOPED_TRACE(s.language);
        ++tested;
        Collect engineSide;
        engine->Run([&] { engine->Synthesize(s.text, voice->id, engineSide); });
        ASSERT_GT(engineSide.names.size(), 40u);
        std::string unknown;
        std::size_t sounded = 0;
        for (const std::string& name : engineSide.names) {
            const PhoneMapping m = MapEspeakPhoneme(name);
            if (!m.known) unknown += name + " ";
            if (m.id != speech::kSilencePhone) ++sounded;
        }
        EXPECT_TRUE(unknown.empty()) << "not in the table: " << unknown;

        testing::VoiceHarness h;
        ASSERT_TRUE(h.Create());
        ASSERT_EQ(h.voice->SetVoice(*voice), S_OK);
        ASSERT_EQ(h.voice->SetOutput(std::make_shared<DiscardSink>(), true), S_OK);
        ASSERT_TRUE(h.Say(s.text, speech::SPF_ASYNC));
        std::size_t notified = 0;
        for (const speech::SPEVENT& e : h.Of(speech::SPEI_PHONEME))
            if (testing::Phone(e) != speech::kSilencePhone) ++notified;
        EXPECT_EQ(notified, sounded);
    }
    EXPECT_GE(tested, 5) << "fewer than five of the languages are installed";
}

TEST(OtherLanguages, AMnemonicOutsideTheTableIsNotedOnceAndKeyedAsItsNearestBase) {
    std::vector<std::string> notes;
    SetUnmappedPhonemeNote([&](const std::string& note) { notes.push_back(note); });
    const PhoneMapping a = MapEspeakPhoneme("tS9");  // an affricate with an unknown mark
    const PhoneMapping b = MapEspeakPhoneme("tS9");
    SetUnmappedPhonemeNote(nullptr);
    EXPECT_FALSE(a.known);
    EXPECT_EQ(a.id, MapEspeakPhoneme("tS").id);
    EXPECT_EQ(b.id, a.id);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("\"tS9\""), std::string::npos);
    EXPECT_NE(notes[0].find("\"ch\""), std::string::npos);
    // A change of language is no sound.
    EXPECT_TRUE(IsLanguageSwitch("(en)"));
    EXPECT_FALSE(IsLanguageSwitch("("));
    EXPECT_EQ(MapEspeakPhoneme("(en)").id, speech::kSilencePhone);
    // Length marks and doubling keep the short form's mouth, as known sounds.
    EXPECT_TRUE(MapEspeakPhoneme("ts2:").known);
    EXPECT_EQ(MapEspeakPhoneme("k:").id, MapEspeakPhoneme("k").id);
    EXPECT_EQ(MapEspeakPhoneme("y:").id, MapEspeakPhoneme("u:").id);
}

}  // namespace
}  // namespace lipsmith::engines
