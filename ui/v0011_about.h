// The about window: icon, version, author and two links.
#pragma once

#include "ui/window_base.h"

namespace moxlyn::ui {

class TForm_about : public Form {
 public:
  void Create(HWND owner);

 protected:
  void FormShow() override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void SetImageIcon();
  void Label_mailClick();
  void Label_urlClick();
  void Label_mailMouseEnter(HWND label);
  void Label_mailMouseLeave(HWND label);

  void SetLinkColour(HWND label, COLORREF colour);
  // The link labels' own messages: pointer, keys and focus.
  LRESULT HandleControlMessage(HWND label, UINT message, WPARAM wParam, LPARAM lParam) override;
  // One pixel around the link label, in client coordinates: the label is as
  // high as its text, so a frame inside it would cross the text.
  RECT FocusFrame(HWND label) const;
  void PaintFocusFrame();

  HWND Label_mail = nullptr;
  HWND Label_url = nullptr;
  // Each link's current text colour; kept while the window is hidden.
  COLORREF mailColour_ = 0;
  COLORREF urlColour_ = 0;
  // The link the pointer is over (mouse-leave tracking is on for it).
  HWND hotLink_ = nullptr;
};

}  // namespace moxlyn::ui
