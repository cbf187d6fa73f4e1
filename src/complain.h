// The tool's own complaints and warnings, on standard error, so that the
// report and the messages on standard output stay as scripts expect them.
#pragma once

#include <string>
#include <string_view>

// The line "trelvask: SUBJECT: TEXT\n", with control characters escaped.
std::string complaint(std::string_view subject, std::string_view text);

// Appends that line to out.
void appendComplaint(std::string& out, std::string_view subject, std::string_view text);

// Prints that line on standard error, after what standard output holds.
void complain(std::string_view subject, std::string_view text);

// Prints lines made by appendComplaint on standard error, in one write, after
// what standard output holds.
void writeComplaints(std::string_view lines);

// text with control characters escaped, as complaints show them; a line
// break at its very end stays.
std::string visible(std::string_view text);

// Whether text holds a control character (C0, DEL or C1, raw or in UTF-8).
bool holdsControlCharacter(std::string_view text);
