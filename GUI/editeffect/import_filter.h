// File dialog filters: the string table keeps them in the form "Text (*.a)|*.a||" (pairs of a
// description and its patterns, separated by '|'); Qt's file dialog wants
// "Text (*.a);;Other (*.b)".
#pragma once

#include <QString>

#include <string>

// The Qt form of a filter text. A description that names no pattern in parentheses gets its
// patterns appended ("Plug-ins" and "*.so;*.dll" give "Plug-ins (*.so *.dll)"). Any thread.
QString QtFileFilter(const std::string& pairs);
