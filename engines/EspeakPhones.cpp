#include "EspeakPhones.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <mutex>
#include <set>

namespace lipsmith::engines {

namespace {

// Speech API American English phone identifiers.
enum : std::uint16_t {
    kSil = 7, kAA = 10, kAE, kAH, kAO, kAW, kAX, kAY, kB, kCH, kD, kDH, kEH, kER, kEY, kF, kG,
    kH, kIH, kIY, kJH, kK, kL, kM, kN, kNG, kOW, kOY, kP, kR, kS, kSH, kT, kTH, kUH, kUW, kV,
    kW, kY, kZ, kZH
};

struct Entry {
    std::string_view mnemonic;
    std::uint16_t id;
};

// Every phoneme of espeak-ng 1.51's English phoneme tables (en and the
// tables of en-us, en-gb-x-rp, en-gb-scotland, en-gb-x-gbclan,
// en-gb-x-gbcwmd, en-us-nyc, en-029, with what they take from the base
// tables), with the American English phone whose mouth shape is closest.
// Pauses ("_" and its forms, "||") are silence; see MapEspeakPhoneme.
constexpr Entry kTable[] = {
    // Reduced vowels.
    {"@", kAX}, {"@2", kAX}, {"@5", kAX}, {"@-", kAX}, {"a#", kAX}, {"@#", kAX},
    // r-coloured and long central vowels ("butter", "bird").
    {"3", kER}, {"3:", kER}, {"@r", kER}, {"3:r", kER},
    // Syllabic consonants: the consonant carries the mouth shape.
    {"@L", kL}, {"l-", kL}, {"n-", kN}, {"m-", kM}, {"r-", kR},
    // Front open vowels ("cat", "bath").
    {"a", kAE}, {"a2", kAE}, {"aa", kAE}, {"&", kAE},
    // Back open vowels ("father", "lot", "car").
    {"A:", kAA}, {"A", kAA}, {"A@", kAA}, {"0", kAA}, {"0#", kAA}, {"A#", kAA},
    // Open-mid back rounded ("caught", "door").
    {"O:", kAO}, {"O", kAO}, {"O@", kAO}, {"o@", kAO}, {"O2", kAO}, {"o", kAO},
    // Front mid vowels ("bed", "hair", "say").
    {"E", kEH}, {"e", kEH}, {"e@", kEH}, {"E2", kEH}, {"E#", kEH}, {"eI", kEY}, {"eI#", kEY},
    // Close front vowels ("bit", "here", "beet", "happy").
    {"I", kIH}, {"I2", kIH}, {"I#", kIH}, {"IR", kIH}, {"i@", kIH}, {"i@3", kIH}, {"I@", kIH},
    {"i", kIY}, {"i:", kIY}, {"i:#", kIY},
    // Back rounded vowels ("book", "poor", "boot").
    {"U", kUH}, {"U@", kUH}, {"u:", kUW}, {"u", kUW}, {"u:#", kUW}, {"U:", kUW},
    // Open-mid central ("cup", "hurry").
    {"V", kAH}, {"VR", kAH},
    // Diphthongs.
    {"aI", kAY}, {"aI2", kAY}, {"aI3", kAY}, {"aI@", kAY}, {"aI@3", kAY}, {"aU", kAW}, {"aU@", kAW},
    {"oU", kOW}, {"oU#", kOW}, {"@U", kOW}, {"OI", kOY},
    // Plosives, including the flap ("butter"), the glottal stop ("button")
    // and dental or unreleased variants.
    {"p", kP}, {"b", kB}, {"t", kT}, {"t2", kT}, {"t[", kT}, {"t#", kD}, {"?", kT}, {"d", kD},
    {"d#", kD}, {"d2", kD}, {"d[", kD}, {"k", kK}, {"g", kG},
    // Affricates and fricatives; "x" (loch) and "C" (the German ich sound) are
    // made at the back or the palate.
    {"tS", kCH}, {"dZ", kJH}, {"f", kF}, {"v", kV}, {"T", kTH}, {"D", kDH}, {"s", kS}, {"z", kZ},
    {"S", kSH}, {"Z", kZH}, {"h", kH}, {"x", kK}, {"C", kH},
    // Nasals, liquids, glides; ";" is the y-glide espeak puts between two vowels.
    {"m", kM}, {"n", kN}, {"N", kNG}, {"l", kL}, {"l/", kL}, {"L", kL}, {"r", kR}, {"R", kR},
    {"w", kW}, {"w#", kW}, {"W", kW}, {"j", kY}, {";", kY},
    // Variants from the regional tables and the base tables: vowel qualities
    // ("02", "e:", "o:"), nasal vowels of borrowed words ("A~", "O~").
    {"02", kAA}, {"A~", kAA}, {"O~", kAO}, {"o:", kAO}, {"e:", kEH}, {"e#", kEH}, {"I2#", kIH},
    {"a#2", kAX}, {"a/", kAE},
    // Consonant variants: retroflex ("n."), palatal ("n^", "l^", "c", "J"),
    // uvular ("q", "X"), taps and trills ("*", "**", "R2", "r/"), the Welsh
    // "ll" ("l#") and the voiced velar fricative ("Q").
    {"N-", kNG}, {"n.", kN}, {"n^", kN}, {"L/", kL}, {"l#", kL}, {"l.", kL}, {"l/2", kL}, {"l/3", kL},
    {"l^", kL}, {"R2", kR}, {"R3", kR}, {"r\"", kR}, {"r.", kR}, {"r/", kR}, {"*", kD}, {"**", kR},
    {"c", kK}, {"q", kK}, {"J", kJH}, {"J^", kY}, {"B", kB}, {"Q", kG}, {"Q^", kG}, {"Q\"", kG},
    {"X", kK}, {"#X1", kK}, {"S;", kSH}, {"Z;", kZH}, {"s.", kS}, {"s;", kS}, {"tS;", kCH},
    {"dZ;", kJH}, {"v#", kV}, {"z#", kZ}, {"z.", kZ}, {"z/2", kZ}, {"z;", kZ},
    // Placeholders the rules use for reduced vowels; never sounded, but mapped.
    {"#@", kAX}, {"#a", kAX}, {"#e", kEH}, {"#i", kIH}, {"#o", kAO}, {"#u", kUH},

    // Other languages' voices. Long vowels and doubled consonants have the
    // mouth shape of their short forms (see MapEspeakPhoneme); these are the
    // sounds English lacks, each with the closest American English mouth.
    // Front rounded vowels (German ü, ö, French u, eu, Dutch u, ui): rounded lips.
    {"y", kUW}, {"y:", kUW}, {"Y", kUH}, {"Y:", kUH}, {"W", kUH}, {"W:", kUH}, {"W~", kUH}, {"8", kUH},
    {"yY", kUW}, {"Wy", kOY},
    // Open and mid vowels and diphthongs (German eu, Dutch ij, Finnish ai,
    // äi, uo, Romanian ea, Russian я, ю).
    {"a:", kAA}, {"&:", kAE}, {"&i", kAY}, {"ai", kAY}, {"OY", kOY}, {"EI", kEY}, {"uo", kUW}, {"ea", kEH},
    {"E:", kEH}, {"E-", kEH}, {"e-", kEH}, {"u-", kUH}, {"u#", kUH}, {"ja", kAA}, {"ju", kUW}, {"eU", kEH},
    // Nasal vowels (French in, un, Portuguese ão, ã, õ, ũ).
    {"E~", kEH}, {"&~", kAH}, {"&U~", kAW}, {"o~", kOW}, {"u~", kUW}, {"a~", kAA}, {"e~", kEH}, {"i~", kIY},
    // Affricates (German z, pf, Italian z, Polish c, dz) and palatalised or
    // retroflex consonants (Russian мь, ть, Czech ř, Swedish sj).
    {"ts", kS}, {"ts2", kS}, {"ts;", kS}, {"tS2", kCH}, {"dz", kZ}, {"dz;", kZ}, {"pF", kP},
    {"m;", kM}, {"n;", kN}, {"l;", kL}, {"r;", kR}, {"t;", kT}, {"d;", kD}, {"p;", kP}, {"b;", kB},
    {"k;", kK}, {"g;", kG}, {"f;", kF}, {"v;", kV}, {"x;", kK}, {"R^", kZH}, {"sx", kSH}, {"s#", kS},
    {"z2", kZ}, {"w2", kW}, {"B#", kB}, {"G", kG}, {"j2", kY}, {"tl#", kL},
};

// Pause phonemes that do not start with "_": the end of a clause, the
// placeholders for a stress or length mark, and the unnamed phoneme 0.
constexpr std::string_view kPauses[] = {"", "||", "1", ":", "-"};

constexpr std::string_view kSymbols[] = {
    "", "~", "!", "word boundry", ",", ".", "?", "_", "1", "2", "aa", "ae", "ah", "ao", "aw", "ax",
    "ay", "b", "ch", "d", "dh", "eh", "er", "ey", "f", "g", "h", "ih", "iy", "jy", "k", "l", "m",
    "n", "ng", "ow", "oy", "p", "r", "s", "sh", "t", "th", "uh", "uw", "v", "w", "y", "z", "zh",
};

std::mutex& UnmappedMutex() {
    static std::mutex m;
    return m;
}

std::set<std::string>& Unmapped() {
    static std::set<std::string>* s = new std::set<std::string>;
    return *s;
}

std::function<void(const std::string&)>& NoteSink() {
    static auto* sink = new std::function<void(const std::string&)>;
    return *sink;
}

const Entry* Find(std::string_view m) {
    for (const Entry& e : kTable) {
        if (e.mnemonic == m) return &e;
    }
    return nullptr;
}

}  // namespace

bool IsLanguageSwitch(std::string_view mnemonic) {
    return mnemonic.size() > 2 && mnemonic.front() == '(' && mnemonic.back() == ')';
}

PhoneMapping MapEspeakPhoneme(std::string_view mnemonic) {
    if (!mnemonic.empty() && mnemonic.front() == '_') return {kSil, true};
    if (IsLanguageSwitch(mnemonic)) return {kSil, true};
    if (std::find(std::begin(kPauses), std::end(kPauses), mnemonic) != std::end(kPauses)) return {kSil, true};
    if (const Entry* e = Find(mnemonic)) return {e->id, true};

    // A long vowel or a doubled consonant ("a:", "k:", "ts2:") has the mouth
    // of its short form.
    if (mnemonic.size() > 1 && mnemonic.back() == ':') {
        const PhoneMapping shorter = MapEspeakPhoneme(mnemonic.substr(0, mnemonic.size() - 1));
        if (shorter.known) return shorter;
    }

    // Not in the table: strip modifier characters from the end until a known
    // base appears ("t#" -> "t", "aI@3" -> "aI@" -> "aI").
    PhoneMapping guess{kAX, false};
    std::string_view base = mnemonic;
    while (base.size() > 1) {
        base.remove_suffix(1);
        if (const Entry* e = Find(base)) {
            guess.id = e->id;
            break;
        }
    }
    if (!mnemonic.empty()) {
        bool first = false;
        {
            std::lock_guard lock(UnmappedMutex());
            first = Unmapped().insert(std::string(mnemonic)).second;
        }
        // One note per mnemonic, so a voice's gaps in the table come to light.
        if (first) {
            const std::string note = "the espeak-ng phoneme \"" + std::string(mnemonic) +
                                     "\" is not in the phoneme table; it is keyed as \"" +
                                     std::string(PhoneSymbol(guess.id)) + "\"";
            std::function<void(const std::string&)> sink;
            {
                std::lock_guard lock(UnmappedMutex());
                sink = NoteSink();
            }
            if (sink) {
                sink(note);
            } else {
                std::fprintf(stderr, "lipsmith: note: %s\n", note.c_str());
            }
        }
    }
    return guess;
}

bool IsVowelPhone(std::uint16_t id) {
    return (id >= kAA && id <= kAY) || (id >= kEH && id <= kEY) || id == kIH || id == kIY ||
           id == kOW || id == kOY || id == kUH || id == kUW;
}

std::string_view PhoneSymbol(std::uint16_t id) {
    return id >= 1 && id <= 49 ? kSymbols[id] : std::string_view();
}

void SetUnmappedPhonemeNote(std::function<void(const std::string& note)> note) {
    std::lock_guard lock(UnmappedMutex());
    NoteSink() = std::move(note);
}

std::vector<std::string> UnmappedPhonemes() {
    std::lock_guard lock(UnmappedMutex());
    return {Unmapped().begin(), Unmapped().end()};
}

}  // namespace lipsmith::engines
