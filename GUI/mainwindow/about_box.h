// The About box: the program's version, its build date and the maker's web address.
#pragma once

#include <string>

class AppConfig;
class QWidget;

// "Version %s" with the program file's version, commas shown as points. Any thread.
std::string AboutVersionText(const std::string& fileVersion);

// Shows the box modally. GUI thread.
void ShowAboutBox(QWidget* parent, const AppConfig& config);
