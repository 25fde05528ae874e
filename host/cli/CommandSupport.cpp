#include "CommandSupport.h"

#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "FileUtil.h"
#include "Time.h"

namespace lipsmith::cli {

bool ParseWholeNumber(const std::string& text, int low, int high, int& out) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 10) return false;
    const long long v = std::stoll(text);
    if (v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::string& text) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return "'" + path + "' is a folder";
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot read '" + path + "'";
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad()) return "cannot read '" + path + "'";
    text = s.str();
    return std::nullopt;
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    const auto p = std::filesystem::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

std::optional<std::string> TakeValue(const Args& args, std::size_t& i, std::optional<std::string>& into,
                                     bool mayBeEmpty) {
    if (i + 1 >= args.size() || (!mayBeEmpty && args[i + 1].empty())) return args[i] + " needs a value";
    into = args[++i];
    return std::nullopt;
}

bool TimingOptions::Take(const Args& args, std::size_t& i, std::optional<std::string>& error) {
    const std::string& a = args[i];
    if (a == "--insert" || a == "--replace") {
        if (sawMode_ && insert != (a == "--insert")) error = "--insert and --replace exclude each other";
        sawMode_ = true;
        insert = a == "--insert";
        return true;
    }
    if (a != "--in-frame" && a != "--fps") return false;
    std::optional<std::string> value;
    if ((error = TakeValue(args, i, value))) return true;
    const std::string& text = *value;
    int n = 0;
    // Whether the frame fits the time line is checked once the frame rate is known.
    if (a == "--in-frame") {
        if (ParseWholeNumber(text, 0, INT_MAX, n)) inFrame = n;
        else error = "--in-frame takes a whole frame number (0 or more)";
    } else {
        if (ParseWholeNumber(text, 1, TIME_TICKSPERSEC, n)) fps = n;
        else error = "--fps takes frames per second from 1 to 4800";
    }
    return true;
}

std::optional<std::string> CheckOutputPaths(const std::vector<NamedPath>& outputs,
                                            const std::vector<NamedPath>& inputs) {
    auto same = [](const std::string& a, const std::string& b) {
        std::error_code ec;
        return Absolute(a) == Absolute(b) || std::filesystem::equivalent(a, b, ec);
    };
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (const std::string problem = OutputTargetProblem(outputs[i].path); !problem.empty()) {
            return outputs[i].option + ": " + CannotWriteText(outputs[i].path, problem);
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (same(outputs[i].path, outputs[j].path)) {
                return outputs[j].option + " and " + outputs[i].option + " name the same file '" + outputs[i].path +
                       "'";
            }
        }
        for (const NamedPath& in : inputs) {
            if (same(outputs[i].path, in.path)) {
                return outputs[i].option + " would overwrite " +
                       (in.option[0] == '-' ? "the " + in.option + " file" : in.option) + " '" + in.path + "'";
            }
        }
    }
    return std::nullopt;
}

std::string UntouchedOutputs(const std::optional<std::string>& save, const std::optional<std::string>& keys) {
    std::string names;
    for (const std::optional<std::string>* out : {&save, &keys}) {
        if (*out) names += (names.empty() ? "'" : ", '") + **out + "'";
    }
    if (names.empty()) return names;
    return names + " left as " + (save && keys ? "they were" : "it was");
}

}  // namespace lipsmith::cli
