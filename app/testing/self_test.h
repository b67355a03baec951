#pragma once
// The edit history's self-test on the opened image: each check writes
// "PASS <name>" or "FAIL <name>" to the report.
#include <string>

class Document;

// False when the report cannot be written.
bool run_self_test(Document& document, const std::string& report_path);
