#include "convert/CommandLine.h"

#include "text/ShiftJis.h"

namespace korva {

namespace {

constexpr std::size_t kMaxTextAfterSource = 255;

// At most maxBytes bytes of the text, never half of a double-byte character.
std::string_view CutWhole(std::string_view text, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t next = end + CharLengthAt(text, end);
        if (next > maxBytes)
            break;
        end = next;
    }
    return text.substr(0, end);
}

bool NeedsQuotes(std::string_view text) {
    return text.find_first_of(" \t\"") != std::string_view::npos;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Length of the character at pos as a command line reads it: a lead byte takes the next byte with
// it only when that byte can follow a lead byte, so that a stray lead byte (a text that is not
// valid Shift-JIS) never swallows the quote, blank or backslash after it.
std::size_t ArgumentCharLength(std::string_view text, std::size_t pos) {
    if (pos + 1 >= text.size() || !IsLeadByte(static_cast<unsigned char>(text[pos])))
        return 1;
    const auto trail = static_cast<unsigned char>(text[pos + 1]);
    return trail >= 0x40 && trail <= 0xFC && trail != 0x7F ? 2 : 1;
}

}  // namespace

std::string QuoteArgument(std::string_view text) {
    if (!NeedsQuotes(text))
        return std::string(text);
    std::string quoted = "\"";
    std::size_t backslashes = 0;  // single-byte backslashes just copied
    bool strayLead = false;       // the byte just copied is a lead byte standing alone
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = ArgumentCharLength(text, i);
        if (length == 1 && text[i] == '\\') {
            ++backslashes;
        } else {
            if (length == 1 && text[i] == '"') {
                // The backslash of the escape would pair with a stray lead byte before it; ending
                // and reopening the quoted part keeps them apart.
                if (strayLead)
                    quoted += "\"\"";
                quoted.append(backslashes + 1, '\\');
            }
            backslashes = 0;
        }
        strayLead = length == 1 && IsLeadByte(static_cast<unsigned char>(text[i]));
        quoted.append(text.substr(i, length));
        i += length;
    }
    quoted.append(backslashes, '\\');  // they come before the closing quote
    quoted += '"';
    return quoted;
}

std::string ExpandTemplate(std::string_view templateText, std::string_view source,
                           std::string_view outputFolder, std::string_view programFolder) {
    const std::string folder = QuoteArgument(outputFolder);
    const std::string program = QuoteArgument(programFolder);
    const std::size_t percent = templateText.find('%');
    if (percent == std::string_view::npos) {
        const std::size_t hash = templateText.find('#');
        if (hash == std::string_view::npos)
            return std::string(templateText);
        return program + std::string(templateText.substr(0, hash)) + folder;
    }
    const std::string_view before = templateText.substr(0, percent);
    const std::string_view after = CutWhole(templateText.substr(percent + 1), kMaxTextAfterSource);
    if (const std::size_t hash = before.find('#'); hash != std::string_view::npos)
        return program + std::string(before.substr(0, hash)) + folder;
    const std::string sourceText = QuoteArgument(source);
    if (const std::size_t hash = after.find('#'); hash != std::string_view::npos)
        return program + std::string(before) + sourceText + std::string(after.substr(0, hash)) + folder;
    return std::string(before) + sourceText + std::string(after);
}

std::optional<std::string> ConverterPathOf(std::string_view templateText, std::string_view programFolder) {
    const std::size_t percent = templateText.find('%');
    if (percent == std::string_view::npos)
        return std::nullopt;
    // The text before the character that precedes the "%": the blank between name and source.
    const std::size_t nameLength = percent == 0 ? 0 : percent - 1;
    return std::string(programFolder) + TrimBlanks(templateText.substr(0, nameLength));
}

std::string ConverterNameOf(std::string_view templateText) {
    const std::size_t blank = templateText.find(' ');
    return blank == std::string_view::npos ? std::string() : std::string(templateText.substr(0, blank));
}

std::string PredictedOutput(std::string_view source, std::string_view outputFolder) {
    const std::string name = FileNamePart(source);
    const std::size_t dot = FindChar(name, '.');
    const std::string stem = dot == std::string::npos ? name + "." : name.substr(0, dot + 1);
    return std::string(outputFolder) + stem + "MID";
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size();) {
        const char c = line[i];
        if (!quoted && IsBlank(c)) {
            if (inArgument)
                arguments.push_back(std::move(current));
            current.clear();
            inArgument = false;
            ++i;
            continue;
        }
        inArgument = true;
        if (c == '\\') {
            std::size_t run = 0;
            while (i + run < line.size() && line[i + run] == '\\') ++run;
            i += run;
            if (i < line.size() && line[i] == '"') {
                current.append(run / 2, '\\');
                if (run % 2 == 1) {
                    current += '"';
                    ++i;
                }
            } else {
                current.append(run, '\\');
            }
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
            ++i;
            continue;
        }
        const std::size_t length = ArgumentCharLength(line, i);
        current.append(line.substr(i, length));
        i += length;
    }
    if (inArgument)
        arguments.push_back(std::move(current));
    return arguments;
}

}  // namespace korva
