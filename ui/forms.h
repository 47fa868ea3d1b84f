// The four windows of the program, each created once at start-up in the
// order main, list, about, setup, and kept until the process ends.
#pragma once

namespace moxlyn::ui {

class TForm_main;
class TForm_list;
class TForm_about;
class TForm_setup;

extern TForm_main* Form_main;
extern TForm_list* Form_list;
extern TForm_about* Form_about;
extern TForm_setup* Form_setup;

}  // namespace moxlyn::ui
