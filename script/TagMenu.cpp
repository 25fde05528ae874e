#include "TagMenu.h"

#include "ScriptDlg.h"

namespace lipsmith {

namespace {

TagMenuItem Item(int id, std::string label, bool enabled = true) { return {id, std::move(label), enabled, {}}; }

TagMenuItem Popup(std::string label, std::vector<TagMenuItem> items) { return {0, std::move(label), true, std::move(items)}; }

// Pitch and rate pop-ups: the negative values (ids normal + 6 ..), the
// normal value, then the positive ones (ids normal + 1 ..).
std::vector<TagMenuItem> ValueItems(int normal, int step) {
    std::vector<TagMenuItem> items;
    for (int i = 5; i >= 1; --i) items.push_back(Item(normal + 11 - i, std::to_string(-i * step)));
    items.push_back(Item(normal, "0 (Normal)"));
    for (int i = 1; i <= 5; ++i) items.push_back(Item(normal + i, std::to_string(i * step)));
    return items;
}

std::optional<int> ValueOfItem(int id, int normal, int step) {
    if (id >= normal && id <= normal + 5) return step * (id - normal);
    if (id >= normal + 6 && id <= normal + 10) return step * (id - normal - 11);
    return std::nullopt;
}

}  // namespace

TagMenuItem BuildTagMenu(const std::vector<std::string>& actors, const std::vector<std::string>& voices) {
    std::vector<TagMenuItem> actorItems, voiceItems;
    for (std::size_t i = 0; i < actors.size(); ++i)
        actorItems.push_back(Item(ID_TAG_FIRST_ACTOR + static_cast<int>(i), actors[i]));
    if (actorItems.empty()) actorItems.push_back(Item(ID_TAG_NO_ACTORS, "No Actors", false));
    for (std::size_t i = 0; i < voices.size(); ++i)
        voiceItems.push_back(Item(ID_TAG_FIRST_VOICE + static_cast<int>(i), voices[i]));
    if (voiceItems.empty()) voiceItems.push_back(Item(ID_TAG_NO_VOICES, "No voices", false));

    std::vector<TagMenuItem> insert;
    insert.push_back(Popup("<&actor>", std::move(actorItems)));
    insert.push_back(Item(ID_TAG_EYES, "<&eyes>"));
    insert.push_back(Item(ID_TAG_BROW, "<&brow>"));
    insert.push_back(Popup("<&pitch>", ValueItems(ID_TAG_PITCH_NORMAL, 5)));
    insert.push_back(Popup("<&rate>", ValueItems(ID_TAG_RATE_NORMAL, 1)));
    insert.push_back(Item(ID_TAG_SPELL, "<&spell>"));
    insert.push_back(Item(ID_TAG_SILENCE, "<s&ilence>"));
    insert.push_back(Popup("<&voice>", std::move(voiceItems)));

    TagMenuItem menu;
    menu.items.push_back(Item(ID_TAG_CUT, "&Cut"));
    menu.items.push_back(Item(ID_TAG_COPY, "C&opy"));
    menu.items.push_back(Item(ID_TAG_PASTE, "&Paste"));
    menu.items.push_back(TagMenuItem{});
    menu.items.push_back(Popup("&Insert Tag", std::move(insert)));
    return menu;
}

std::optional<int> PitchOfItem(int id) { return ValueOfItem(id, ID_TAG_PITCH_NORMAL, 5); }
std::optional<int> RateOfItem(int id) { return ValueOfItem(id, ID_TAG_RATE_NORMAL, 1); }

TagMenu::TagMenu(ScriptDlg& dlg, std::vector<std::string> actors, std::vector<std::string> voices)
    : dlg_(dlg), actors_(std::move(actors)), voices_(std::move(voices)) {}

bool TagMenu::Insert(const std::string& text) {
    dlg_.InsertColoredText(text, true);
    return true;
}

bool TagMenu::Command(int id, const TagDialogs& dialogs) {
    const std::string selection = dlg_.Script().SelectedText();
    auto run = [](const std::function<void()>& f) {
        if (f) f();
        return false;
    };
    switch (id) {
        case ID_TAG_CUT: return run(dialogs.cut);
        case ID_TAG_COPY: return run(dialogs.copy);
        case ID_TAG_PASTE: return run(dialogs.paste);
        case ID_TAG_EYES:
        case ID_TAG_BROW: {
            EyesTagDlg cue(id == ID_TAG_EYES ? TagKind::Eyes : TagKind::Brow, actors_);
            if (!dialogs.runCueDialog || !dialogs.runCueDialog(cue)) return false;
            return Insert(cue.TagText());
        }
        case ID_TAG_SPELL: return Insert(SpellTagText(selection));
        case ID_TAG_SILENCE: {
            SilenceDlg silence;
            if (!dialogs.runSilenceDialog || !dialogs.runSilenceDialog(silence)) return false;
            return Insert(silence.TagText());
        }
        default: break;
    }
    if (const auto pitch = PitchOfItem(id)) return Insert(PitchTagText(*pitch, selection));
    if (const auto rate = RateOfItem(id)) return Insert(RateTagText(*rate, selection));
    if (id >= ID_TAG_FIRST_ACTOR && id - ID_TAG_FIRST_ACTOR < static_cast<int>(actors_.size()))
        return Insert(ActorTagText(actors_[static_cast<std::size_t>(id - ID_TAG_FIRST_ACTOR)], selection));
    if (id >= ID_TAG_FIRST_VOICE && id - ID_TAG_FIRST_VOICE < static_cast<int>(voices_.size()))
        return Insert(VoiceTagText(voices_[static_cast<std::size_t>(id - ID_TAG_FIRST_VOICE)], selection));
    return false;
}

}  // namespace lipsmith
