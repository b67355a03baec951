#pragma once
// The sidebar's sections as one table, in the order of Section: what the
// settings file and scripted runs call each, its title, what it draws and
// whether it starts unfolded.
#include <array>

#include "app/ui/section_id.h"

class Document;
struct PanelContext;

struct SectionSpec {
  Section id;
  const char* key;    // the settings key without its "sec_" prefix; scripted runs use it too
  const char* title;  // English; translated when drawn
  void (*body)(PanelContext&);
  // Unfolded when the settings file does not say: while its feature is in use,
  // or always when there is no such test.
  bool (*in_use)(const Document&);
};

const std::array<SectionSpec, kSectionCount>& section_table();
// Whether `section` starts unfolded for `document`.
bool section_unfolded_by_default(const SectionSpec& section, const Document& document);
