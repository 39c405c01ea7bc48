#pragma once
// Converter command lines: the template syntax, the converter it names, the file it will make, and
// how a command line is split into a program and its arguments. All texts are Shift-JIS.
//
// A template is the converter's file name (in the program folder), a blank, "%" where the source
// path goes, the converter's options and "#" where the output folder goes; only the first "%" and
// the first "#" count, and whatever follows the "#" is dropped.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korva {

// The command line for a source file and an output folder. With a "#" the line starts with the
// program folder, so that the converter is started by its full path; without one it is the
// template with the source put in place of the "%". The "#" is looked for in the template itself,
// so a source path holding a "#" is put in whole. A path that holds a blank or a double quote is
// put in quotes (QuoteArgument), so that it reaches the converter as one argument.
std::string ExpandTemplate(std::string_view templateText, std::string_view source,
                           std::string_view outputFolder, std::string_view programFolder);

// Where the converter must be for the template to be usable: the program folder followed by the
// text before the blank that precedes the "%", blanks trimmed. nullopt for a template without "%".
std::optional<std::string> ConverterPathOf(std::string_view templateText, std::string_view programFolder);

// The converter's name as the window shows it: the template's text before its first blank (empty
// when there is none).
std::string ConverterNameOf(std::string_view templateText);

// The file the converter is expected to make: the output folder, then the source's file name up to
// and including its first ".", then "MID" ("/song/A.B.RCP" into "/m/" gives "/m/A.MID").
std::string PredictedOutput(std::string_view source, std::string_view outputFolder);

// The text unchanged when it holds no blank, tab or double quote; otherwise in double quotes, with
// inner quotes and the backslashes before them escaped so that SplitCommandLine gives it back whole.
std::string QuoteArgument(std::string_view text);

// Splits a command line as Windows programs do: blanks and tabs separate arguments outside double
// quotes; a double quote starts or ends a quoted part; 2n backslashes before a double quote stand
// for n backslashes, 2n + 1 for n backslashes and a literal quote; other backslashes are literal.
// Double-byte characters are stepped over whole, so a second byte 0x5C is never an escape; a lead
// byte followed by a byte that cannot be a second byte (a blank, a quote) stands alone.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

}  // namespace korva
