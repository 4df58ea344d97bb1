// The skin preview: the main window's face loaded from a skin file, filled with sample content,
// without the voice server or a sound server. For skin authors, and for pictures of a skin.
#pragma once

#include "app/command_line.h"

#include <QImage>
#include <QString>

class MainFace;

// Fills the face with sample names, volumes, fun sounds and a trace, and shows every button in
// the given state. GUI thread.
void FillPreview(MainFace& face, PreviewState state);

// The face as a picture: pixels outside the skin's outline are transparent. GUI thread.
QImage PreviewPicture(MainFace& face);

// Runs "--skin-preview": shows the face until the window is closed, or with a save path writes
// its picture and returns. Returns the program's exit code; a skin that does not load is
// reported as the main window reports it (a message box, or standard error with --save).
int RunSkinPreview(const CommandLine& commandLine);
