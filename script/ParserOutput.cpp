#include "ParserOutput.h"

namespace lipsmith {

void ParserOutput::Append(std::string_view text, OutputKind kind) {
    const TextColor color = kind == OutputKind::Plain ? TextColor::Black : TextColor::Red;
    if (kind == OutputKind::Error) ++errorCount;
    if (kind == OutputKind::Warning) ++warningCount;
    content_.text.append(text);
    content_.colors.insert(content_.colors.end(), text.size(), color);
    if (listener_) listener_(text, kind, false);
}

void ParserOutput::SetText(std::string_view text) {
    content_ = ColoredText(std::string(text), TextColor::Black);
    if (listener_) listener_(text, OutputKind::Plain, true);
}

}  // namespace lipsmith
