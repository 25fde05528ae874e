#include "BenchText.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace lipsmith::bench {

namespace {

const std::vector<std::string> kSubjects{
    "the old lighthouse keeper", "my sister", "a tired courier", "the mayor of the valley", "nobody in this town",
    "the quiet engineer", "our neighbour", "the captain", "a stranger with a lantern", "the children by the river",
    "your grandfather", "the baker", "every single passenger", "the committee", "a clever fox"};
const std::vector<std::string> kVerbs{
    "remembered", "carried", "painted", "forgot", "measured", "followed", "questioned", "repaired", "promised",
    "watched", "borrowed", "discovered", "abandoned", "celebrated", "whispered about"};
const std::vector<std::string> kObjects{
    "the broken clock", "a letter from the north", "seven silver spoons", "the bridge over the canal",
    "an unfinished song", "the yellow umbrella", "the last train home", "a map of the islands",
    "the crooked fence", "three jars of honey", "the recipe for plum jam", "a box of photographs",
    "the weather report", "the harbour lights", "an enormous wooden horse"};
const std::vector<std::string> kTails{
    "before the storm arrived", "without telling anyone", "on a Tuesday morning", "while the kettle boiled",
    "long after midnight", "for reasons nobody understood", "with surprising patience", "in the pouring rain",
    "just as the bells rang", "as if it were a game", "until the candles burned out", "near the old mill"};
const std::vector<std::string> kOpeners{
    "Honestly,", "Listen,", "Well,", "You know,", "Believe it or not,", "Of course,", "Strangely enough,",
    "Yesterday,", "In the end,", "At first,"};
const std::vector<std::string> kQuestions{
    "Do you think it will matter tomorrow?", "Why would anyone do that?", "Can you imagine the noise?",
    "Where did it all go wrong?", "Have you ever seen anything like it?", "What would you have done?"};
const std::vector<std::string> kReplies{
    "I suppose so.", "Not at all.", "Absolutely, without a doubt.", "Perhaps, but only once.",
    "That is exactly what I said.", "Nobody knows for certain."};

int Words(const std::string& s) {
    int n = 1;
    for (char c : s) n += c == ' ';
    return n;
}

}  // namespace

std::vector<Turn> MakeDialogue(long words, const std::vector<std::string>& actors, std::uint32_t seed) {
    std::mt19937 random(seed);
    auto pick = [&](const std::vector<std::string>& list) { return list[random() % list.size()]; };
    std::vector<Turn> turns;
    long count = 0;
    std::size_t who = 0;
    while (count < words) {
        Turn turn{actors[who++ % actors.size()], {}};
        const int sentences = 2 + static_cast<int>(random() % 4);
        for (int i = 0; i < sentences; ++i) {
            std::string s;
            switch (random() % 5) {
                case 0: s = pick(kQuestions); break;
                case 1: s = pick(kReplies); break;
                case 2: s = pick(kOpeners) + " " + pick(kSubjects) + " " + pick(kVerbs) + " " + pick(kObjects) + "."; break;
                default: {
                    std::string subject = pick(kSubjects);
                    subject[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(subject[0])));
                    s = subject + " " + pick(kVerbs) + " " + pick(kObjects) + " " + pick(kTails) + ".";
                }
            }
            count += Words(s);
            turn.text += (turn.text.empty() ? "" : " ") + s;
        }
        turns.push_back(std::move(turn));
    }
    return turns;
}

std::string ScriptOf(const std::vector<Turn>& turns) {
    std::string script = "<_ANIM_>\n";
    for (std::size_t i = 0; i < turns.size(); ++i) {
        const Turn& t = turns[i];
        std::string text = t.text;
        // Cues between the first and second sentence of some turns.
        const std::size_t stop = text.find_first_of(".?!");
        if (stop != std::string::npos && stop + 1 < text.size()) {
            if (i % 4 == 1) {
                text.insert(stop + 1, " <eyes blink=\"true\" repeat=\"1\" offset=\"100\" value=\"1.0\" duration=\"120\" side=\"both\"/>");
            } else if (i % 5 == 2) {
                text.insert(stop + 1, " <brow return=\"true\" value=\"0.7\" duration=\"150\" ret_duration=\"400\" side=\"both\"/>");
            }
        }
        script += "<actor node=\"" + t.actor + "\">" + text + "</actor>\n";
    }
    return script + "</_ANIM_>\n";
}

std::string PlainTextOf(const std::vector<Turn>& turns) {
    std::string text;
    for (const Turn& t : turns) text += t.text + "\n";
    return text;
}

long PeakResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

}  // namespace lipsmith::bench
