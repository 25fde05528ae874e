// Tags inserted from the script control's menu: the menu's items and values,
// the texts each command inserts (coloured, replacing the selection, one undo
// step), and the round trip: every tag the menu and its dialogs can insert
// parses without a warning into the values the dialog showed.
#include <cfloat>

#include "FacialCues.h"
#include "ParserFixture.h"
#include "TagMenu.h"

namespace lipsmith {
namespace {

// The item with the id anywhere in the menu.
const TagMenuItem* Find(const TagMenuItem& menu, int id) {
    for (const TagMenuItem& item : menu.items) {
        if (!item.IsPopup() && item.id == id) return &item;
        if (const TagMenuItem* inner = Find(item, id)) return inner;
    }
    return nullptr;
}

const TagMenuItem* Popup(const TagMenuItem& menu, const std::string& label) {
    for (const TagMenuItem& item : menu.items) {
        if (item.IsPopup() && item.label == label) return &item;
        if (const TagMenuItem* inner = Popup(item, label)) return inner;
    }
    return nullptr;
}

TEST(TagMenuItems, ActorsAndVoicesOrTheirGreyedPlaceholders) {
    const TagMenuItem empty = BuildTagMenu({}, {});
    const TagMenuItem* actors = Popup(empty, "<&actor>");
    ASSERT_TRUE(actors);
    ASSERT_EQ(actors->items.size(), 1u);
    EXPECT_EQ(actors->items[0].id, ID_TAG_NO_ACTORS);
    EXPECT_EQ(actors->items[0].label, "No Actors");
    EXPECT_FALSE(actors->items[0].enabled);
    const TagMenuItem* voices = Popup(empty, "<&voice>");
    ASSERT_TRUE(voices);
    ASSERT_EQ(voices->items.size(), 1u);
    EXPECT_EQ(voices->items[0].id, ID_TAG_NO_VOICES);
    EXPECT_FALSE(voices->items[0].enabled);

    const TagMenuItem full = BuildTagMenu({"Head", "Narrator"}, {"English (America)", "German"});
    actors = Popup(full, "<&actor>");
    ASSERT_EQ(actors->items.size(), 2u);
    EXPECT_EQ(actors->items[0].id, 177);
    EXPECT_EQ(actors->items[1].id, 178);
    EXPECT_EQ(actors->items[1].label, "Narrator");
    EXPECT_FALSE(Find(full, ID_TAG_NO_ACTORS));
    EXPECT_EQ(Find(full, 61441)->label, "German");
    EXPECT_FALSE(Find(full, ID_TAG_NO_VOICES));

    // Clipboard commands, a separator, then the tags.
    ASSERT_EQ(full.items.size(), 5u);
    EXPECT_EQ(full.items[0].id, 4074);
    EXPECT_EQ(full.items[1].id, 4075);
    EXPECT_EQ(full.items[2].id, 4076);
    EXPECT_TRUE(full.items[3].IsSeparator());
    EXPECT_EQ(full.items[4].label, "&Insert Tag");
}

TEST(TagMenuItems, PitchAndRateItemsCarryTheValuesTheirLabelsShow) {
    const TagMenuItem menu = BuildTagMenu({}, {});
    struct Case {
        const char* popup;
        std::optional<int> (*value)(int);
        int step;
        std::vector<int> ids;
    };
    const Case cases[] = {
        {"<&pitch>", PitchOfItem, 5, {6006, 6007, 6008, 6009, 6010, 6000, 6001, 6002, 6003, 6004, 6005}},
        {"<&rate>", RateOfItem, 1, {5006, 5007, 5008, 5009, 5010, 5000, 5001, 5002, 5003, 5004, 5005}},
    };
    for (const Case& c : cases) {
        const TagMenuItem* popup = Popup(menu, c.popup);
        ASSERT_TRUE(popup) << c.popup;
        ASSERT_EQ(popup->items.size(), 11u);
        for (std::size_t i = 0; i < 11; ++i) {
            const int expected = (static_cast<int>(i) - 5) * c.step;
            EXPECT_EQ(popup->items[i].id, c.ids[i]) << c.popup << " item " << i;
            EXPECT_EQ(popup->items[i].label, expected == 0 ? "0 (Normal)" : std::to_string(expected));
            EXPECT_EQ(c.value(popup->items[i].id), expected) << c.popup << " id " << c.ids[i];
        }
    }
    EXPECT_FALSE(PitchOfItem(6011));
    EXPECT_FALSE(RateOfItem(4999));
    EXPECT_FALSE(PitchOfItem(5003));
}

// A script with one actor, split where the tag goes in.
const std::string kBefore = "<_ANIM_>\n<actor node=\"Head\">Hi ";
const std::string kAfter = "</actor>\n</_ANIM_>\n";

class TagInsertion : public ParserFixture {
protected:
    // Puts the text in and selects [start, end).
    void Text(const std::string& text, std::size_t start, std::size_t end) {
        dlg.SetColoredScript(text, false);
        dlg.Script().SetSelection(start, end);
    }
    bool Command(int id) { return menu.Command(id, dialogs); }
    std::string Colors() const {
        std::string s;
        for (TextColor c : dlg.Script().Colors()) s += c == TextColor::Black ? 'k' : c == TextColor::Red ? 'r' : 'b';
        return s;
    }

    TagMenu menu{dlg, {"Head", "Jaw Bone"}, {"English (America)"}};
    TagDialogs dialogs;
};

TEST_F(TagInsertion, PitchAroundASelectedWordIsColouredAndUndoesInOneStep) {
    Text("say hello now", 4, 9);
    ASSERT_TRUE(Command(6010));
    const std::string expected = "say <pitch absmiddle=\"-5\">hello</pitch> now";
    EXPECT_EQ(dlg.Script().Text(), expected);
    // Tag blue, the number red, the word and the rest black.
    EXPECT_EQ(Colors(), std::string(4, 'k') + std::string(18, 'b') + "rr" + "bb" + "kkkkk" + std::string(8, 'b') +
                            std::string(4, 'k'));
    EXPECT_EQ(dlg.Script().Caret(), 4 + expected.size() - 8);  // after the inserted text
    EXPECT_TRUE(dlg.Script().IsModified());
    ASSERT_TRUE(dlg.Script().Undo());
    EXPECT_EQ(dlg.Script().Text(), "say hello now");
    EXPECT_FALSE(dlg.Script().CanUndo());
}

TEST_F(TagInsertion, EachCommandBuildsItsTextWithAndWithoutASelection) {
    struct Case {
        int id;
        const char* empty;
        const char* around;  // around the selected "word"
    };
    const Case cases[] = {
        {177, "<actor node=\"Head\"></actor>", "\n<actor node=\"Head\">\nword\n</actor>\n"},
        {178, "<actor node=\"Jaw Bone\"></actor>", "\n<actor node=\"Jaw Bone\">\nword\n</actor>\n"},
        {5001, "<rate absspeed=\"1\"/>", "<rate absspeed=\"1\">word</rate>"},
        {5006, "<rate absspeed=\"-5\"/>", "<rate absspeed=\"-5\">word</rate>"},
        {6000, "<pitch absmiddle=\"0\"/>", "<pitch absmiddle=\"0\">word</pitch>"},
        {6005, "<pitch absmiddle=\"25\"/>", "<pitch absmiddle=\"25\">word</pitch>"},
        {ID_TAG_SPELL, "<spell ></spell>", "<spell >word</spell>"},
        {61440, "<voice required=\"Name=English (America)\"/>",
         "<voice required=\"Name=English (America)\">word</voice>"},
    };
    for (const Case& c : cases) {
        Text("a  b", 2, 2);
        ASSERT_TRUE(Command(c.id)) << c.id;
        EXPECT_EQ(dlg.Script().Text(), std::string("a ") + c.empty + " b") << c.id;
        Text("a word b", 2, 6);
        ASSERT_TRUE(Command(c.id)) << c.id;
        EXPECT_EQ(dlg.Script().Text(), std::string("a ") + c.around + " b") << c.id;
    }
    // Items that name nothing insert nothing.
    Text("x", 0, 1);
    EXPECT_FALSE(Command(179));
    EXPECT_FALSE(Command(61441));
    EXPECT_FALSE(Command(ID_TAG_NO_ACTORS));
    EXPECT_EQ(dlg.Script().Text(), "x");
}

TEST_F(TagInsertion, DialogsThatAreCancelledInsertNothing) {
    int cueDialogs = 0, silenceDialogs = 0;
    dialogs.runCueDialog = [&](EyesTagDlg&) { return ++cueDialogs, false; };
    dialogs.runSilenceDialog = [&](SilenceDlg&) { return ++silenceDialogs, false; };
    Text("keep", 0, 4);
    EXPECT_FALSE(Command(ID_TAG_EYES));
    EXPECT_FALSE(Command(ID_TAG_BROW));
    EXPECT_FALSE(Command(ID_TAG_SILENCE));
    EXPECT_EQ(cueDialogs, 2);
    EXPECT_EQ(silenceDialogs, 1);
    EXPECT_EQ(dlg.Script().Text(), "keep");
    EXPECT_FALSE(dlg.Script().CanUndo());
}

TEST_F(TagInsertion, TheCueDialogOffersTheActorsSortedAndStartsAsSpecified) {
    std::vector<std::string> nodes;
    std::string caption, check;
    dialogs.runCueDialog = [&](EyesTagDlg& d) {
        nodes = d.Nodes();
        caption = d.Caption();
        check = d.CheckLabel();
        EXPECT_EQ(d.ValueText(), "0.0");
        EXPECT_EQ(d.DurationText(), "100");
        EXPECT_EQ(d.RepeatText(), "1");
        EXPECT_EQ(d.OffsetText(), "50");
        EXPECT_FALSE(d.OffsetEnabled());
        return true;
    };
    TagMenu unsorted(dlg, {"Zed", "Head", "Abe"}, {});
    Text("", 0, 0);
    ASSERT_TRUE(unsorted.Command(ID_TAG_EYES, dialogs));
    EXPECT_EQ(nodes, (std::vector<std::string>{"Abe", "Head", "Zed"}));
    EXPECT_EQ(caption, "<eyes> Tag Property");
    EXPECT_EQ(check, "Blink");
    EXPECT_EQ(dlg.Script().Text(), "<eyes blink=\"true\" side=\"both\" repeat=\"1\" value=\"0.0\" duration=\"100\" />");
    ASSERT_TRUE(unsorted.Command(ID_TAG_BROW, dialogs));
    EXPECT_EQ(caption, "<brow> Tag Property");
    EXPECT_EQ(check, "Return");
}

// What the user does in the cue dialog: each control's text as typed.
struct CueInput {
    TagKind kind;
    std::string node, side, value, duration;
    bool checked;
    std::string repeat, offset;
};

TEST_F(TagInsertion, EveryCueTheDialogCanInsertParsesWithoutWarningsIntoTheShownValues) {
    const CueInput inputs[] = {
        {TagKind::Eyes, "", "both", "0.0", "100", true, "1", "50"},
        {TagKind::Eyes, "Head", "left", "0.75", "250", false, "3", "50"},
        {TagKind::Eyes, "Jaw Bone", "right", "-0.3", "0", true, "3", "120"},
        {TagKind::Eyes, "", "both", "abc", "", true, "", ""},
        {TagKind::Eyes, "", "left", "1e39", "999999999", true, "2", "999999999"},
        {TagKind::Eyes, "", "right", "nan", "7", false, "0", "80"},
        {TagKind::Eyes, "", "both", "-inf", "12", true, "1", "0"},
        {TagKind::Brow, "", "both", "0.0", "101", true, "", ""},
        {TagKind::Brow, "Head", "left", "0.5", "101", false, "", ""},
        {TagKind::Brow, "", "right", "2.25", "1", true, "", ""},
        {TagKind::Brow, "Jaw Bone", "both", "12.75", "", true, "", ""},
        {TagKind::Brow, "", "left", "1e40", "999999999", false, "", ""},
    };
    for (const CueInput& in : inputs) {
        EyesTagDlg shown(in.kind, {"Head", "Jaw Bone"});
        dialogs.runCueDialog = [&](EyesTagDlg& d) {
            d.SelectNode(in.node);
            d.SelectSide(in.side);
            d.SetValueText(in.value);
            d.SetDurationText(in.duration);
            d.SetChecked(in.checked);
            if (d.RepeatShown()) {
                d.SetRepeatText(in.repeat);
                d.SetOffsetText(in.offset);
            }
            shown = d;
            return true;
        };
        Text(kBefore + " there" + kAfter, kBefore.size(), kBefore.size());
        ASSERT_TRUE(Command(in.kind == TagKind::Eyes ? ID_TAG_EYES : ID_TAG_BROW));
        speaker.calls.clear();
        dlg.Output().Clear();
        dlg.Output().ResetCounts();
        ASSERT_EQ(Reparse(), S_OK) << dlg.Script().Text();
        EXPECT_EQ(Warnings(), 0) << Pane() << dlg.Script().Text();
        EXPECT_EQ(Errors(), 0) << Pane();

        // The mark the dialog's values stand for.
        const CueTagValues& v = shown.Values();
        std::string mark;
        if (in.kind == TagKind::Eyes) {
            EyesCue cue;
            cue.blink = v.checked ? "true" : "false";
            cue.node = v.node;
            cue.side = v.side;
            cue.repeat = v.repeat;
            cue.offset = v.repeat > 1 ? v.offset : 50;
            cue.value = v.value;
            cue.duration = static_cast<int>(v.duration);
            mark = FormatEyesMark(cue);
        } else {
            BrowCue cue;
            cue.returns = v.checked ? "true" : "false";
            cue.node = v.node;
            cue.side = v.side;
            cue.value = v.value;
            cue.duration = static_cast<int>(v.checked ? v.duration / 2 : v.duration);
            cue.retDuration = v.checked ? static_cast<int>(v.duration / 2) : 0;
            mark = FormatBrowMark(cue);
        }
        ASSERT_EQ(speaker.calls.size(), 1u);
        EXPECT_EQ(speaker.calls[0].text, "Hi <bookmark mark=\"" + mark + "\"/> there") << dlg.Script().Text();
        // No value the dialog holds is lost on the way: a finite number, the
        // same one decimal the tag shows.
        EXPECT_LE(std::abs(v.value), FLT_MAX);
    }
}

TEST_F(TagInsertion, EveryOtherTagTheMenuInsertsParsesWithoutWarnings) {
    dialogs.runSilenceDialog = [](SilenceDlg& d) {
        EXPECT_EQ(d.Text(), "500");
        d.SetText("-20");
        return true;
    };
    const int ids[] = {5006, 5000, 5005, 6006, 6000, 6005, ID_TAG_SPELL, ID_TAG_SILENCE, 61440};
    for (const int id : ids) {
        for (const bool selected : {false, true}) {
            Text(kBefore + "word there" + kAfter, kBefore.size(), kBefore.size() + (selected ? 4 : 0));
            ASSERT_TRUE(Command(id)) << id;
            speaker.calls.clear();
            dlg.Output().Clear();
            dlg.Output().ResetCounts();
            EXPECT_EQ(Reparse(), S_OK) << dlg.Script().Text() << Pane();
            EXPECT_EQ(Warnings() + Errors(), 0) << dlg.Script().Text() << Pane();
        }
    }
    // Actors go between actors: around lines of the wrapper, or empty.
    for (const bool selected : {false, true}) {
        const std::string before = "<_ANIM_>\n";
        Text(before + "Hello there\n</_ANIM_>\n", before.size(), before.size() + (selected ? 11 : 0));
        ASSERT_TRUE(Command(178));
        speaker.calls.clear();
        dlg.Output().Clear();
        dlg.Output().ResetCounts();
        EXPECT_EQ(Reparse(), S_OK) << dlg.Script().Text() << Pane();
        EXPECT_EQ(Warnings() + Errors(), 0) << dlg.Script().Text() << Pane();
        ASSERT_EQ(speaker.calls.size(), 1u);
        EXPECT_EQ(speaker.calls[0].actorNode, "Jaw Bone");
        EXPECT_EQ(speaker.calls[0].text, selected ? "Hello there" : "");
    }
    // The silence dialog's number reaches the engine as typed.
    Text(kBefore + " there" + kAfter, kBefore.size(), kBefore.size());
    ASSERT_TRUE(Command(ID_TAG_SILENCE));
    speaker.calls.clear();
    ASSERT_EQ(Reparse(), S_OK);
    EXPECT_EQ(speaker.Texts(), std::vector<std::string>{"Hi <silence msec=\"-20\"/> there"});
}

}  // namespace
}  // namespace lipsmith
