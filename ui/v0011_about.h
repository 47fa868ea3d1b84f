// The about window: icon, version, author and two links.
#pragma once

#include "ui/window_base.h"

namespace moxlyn::ui {

class TForm_about : public Form {
 public:
  bool Create(HWND owner);

 protected:
  void FormShow() override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Label_mailClick();
  void Label_urlClick();
  void Label_mailMouseEnter(HWND label);
  void Label_mailMouseLeave(HWND label);

  HWND Label_mail = nullptr;
  HWND Label_url = nullptr;
};

}  // namespace moxlyn::ui
