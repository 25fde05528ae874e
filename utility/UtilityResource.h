// Resources of Lipsmith.dlu: the string table, and the identifiers of its
// pages, controls, menu items and pictures (window object names are "ctl"
// followed by the identifier).
#pragma once

namespace lipsmith {

// String table.
inline constexpr int IDS_CATEGORY = 4000;        // "Tarnwick Works"
inline constexpr int IDS_CLASS_NAME = 4001;      // "Lipsmith"
inline constexpr int IDS_LIBDESCRIPTION = 4002;  // the library description
// The string with the id, or nullptr when the table has none.
const char* GetUtilityString(int id);

// Rollup pages and their controls.
inline constexpr int IDD_TEXT_TO_ANIMATION = 4001;
inline constexpr int IDD_CONFIGURATION = 4066;
inline constexpr int IDC_SCRIPT_EDITOR = 4000;
inline constexpr int IDB_ROLLUP_PICTURE = 4057;
inline constexpr int IDC_PHONEME_MAPPING = 4029;
inline constexpr int IDC_CHOOSE_OUTPUT = 4030;
inline constexpr int IDC_WAVE_FILE = 4036;

// The script editor.
inline constexpr int IDC_SCRIPT = 4001;
inline constexpr int IDC_SCRIPT_GROUP = 4034;
inline constexpr int IDC_POSITION = 4009;
inline constexpr int IDC_ACTORS = 4002;
inline constexpr int IDC_ACTORS_GROUP = 4032;
inline constexpr int IDC_OUTPUT = 4006;
inline constexpr int IDC_OUTPUT_GROUP = 4033;
inline constexpr int IDC_KEY_CREATION = 4040;
inline constexpr int IDC_INSERT = 4041;
inline constexpr int IDC_REPLACE = 4042;
inline constexpr int IDC_IN_FRAME_LABEL = 4035;
inline constexpr int IDC_IN_FRAME = 4017;
inline constexpr int IDC_LOCK = 4046;
inline constexpr int IDC_DELETE_AFTER = 4018;
inline constexpr int IDC_SCRATCH = 4044;
inline constexpr int IDC_UNDO = 4045;
inline constexpr int IDC_PARSE = 3;
inline constexpr int IDC_CLOSE = 1;

// The editor's menu items.
inline constexpr int ID_FILE_LOAD = 4013;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 4012;
inline constexpr int ID_FILE_EXIT = 4011;
inline constexpr int ID_EDIT_UNDO = 4102;
inline constexpr int ID_EDIT_REDO = 4103;
inline constexpr int ID_EDIT_CUT = 4078;
inline constexpr int ID_EDIT_COPY = 4079;
inline constexpr int ID_EDIT_PASTE = 4080;
inline constexpr int ID_EDIT_FIND = 4100;
inline constexpr int ID_EDIT_REPLACE = 4101;
inline constexpr int ID_VIEW_ACTORS = 4083;
inline constexpr int ID_VIEW_VERBOSE = 4081;
inline constexpr int ID_MODE_TTS = 4123;
inline constexpr int ID_MODE_PHRASE = 4124;
inline constexpr int ID_HELP_CONTENTS = 4084;
inline constexpr int ID_HELP_ABOUT = 4085;

// Pictures: the actors tree's images and the In Frame lock.
inline constexpr int IDB_NODE = 4006;
inline constexpr int IDB_INACTIVE_CONTROLLER = 4098;
inline constexpr int IDB_ACTIVE_CONTROLLER = 4097;
inline constexpr int IDB_UNLOCKED = 4109;
inline constexpr int IDB_LOCKED = 4110;

// The progress window.
inline constexpr int IDD_PROGRESS = 4113;
inline constexpr int IDC_STOP = 2;
inline constexpr int IDC_PROGRESS_BAR = 4052;

}  // namespace lipsmith
