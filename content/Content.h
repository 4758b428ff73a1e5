#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "content/ShowSettings.h"
#include "ui/Color.h"

// The show's words and colours: built once, on first read, and read-only
// afterwards. The first read of any item builds them all, under a lock, so
// a first read from two threads builds them once.
//
// They are the built-in show's unless the program installed an organiser's
// settings before that first read (installShow, from main()).
namespace content {

// Makes the items from `settings` (what it leaves out keeps the built-in
// value) when they are first read. Called before the first read; a later
// call builds them anew at the next read, which only tests do, between
// shows: references taken from the earlier items stay valid but stale.
void installShow(const ShowSettings& settings);

using ColorList = std::vector<std::reference_wrapper<const ui::Color>>;

// 66 phrases in capitals. Entries 5 and 15 are the same phrase on purpose.
const std::vector<std::string>& affirmations();
// The six words of the invitation, in capitals.
const std::vector<std::string>& invitationWords();

const ui::Color& paletteOrange();
const ui::Color& palettePink();
const ui::Color& palettePurple();
const ui::Color& paletteDark();
const ui::Color& paletteGreen();
// Orange, pink, purple, dark, green: references to the colours above.
const ColorList& paletteColors();
// The same without the dark colour.
const ColorList& paletteBrightColors();

// The closing line and the start screen's text.
const std::string& closingLine();
const std::string& infoText();
// Whether a phrase too wide for the stage shrinks to fit (StageText). Two
// built-in phrases are wider than the stage and have always been cut short
// with "…"; the built-in show keeps them so, a show file's phrases shrink.
bool phrasesShrinkToFit();
// The window's title.
const std::string& windowTitle();
// The organiser's music file; none for the built-in track.
const std::optional<std::string>& musicFile();

}  // namespace content
