#pragma once
// The program's texts: English, or the translation of the user's locale.
namespace ui::gtk {

// Takes the locale from the environment and binds the "pictavo" text domain
// to the translations beside the program (<exe>/../share/locale, as the build
// tree and an installation lay them out), else to the installed prefix.
void SetUpLanguage();

} // namespace ui::gtk
