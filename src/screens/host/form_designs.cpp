#include "screens/host/form_designs.h"

#include <array>

namespace pavane::screens {
namespace {

// A screen is 640 x 480 pixels at 96 dots per inch; 15 twips to the pixel.
constexpr int kWindowWidth = 9600;
constexpr int kWindowHeight = 7200;
constexpr int kTopHeight = 1200;
constexpr int kBottomHeight = 900;
constexpr int kButtonWidth = 1500;
constexpr int kButtonHeight = 420;
constexpr int kMargin = 240;

constexpr std::array<std::string_view, 6> kLocalizedForms = {
    "frmLanguage", "frmEmail", "frmSpamInfo", "frmBundle", "frmFirewallCross", "frmShowLinks"};

struct Layout {
  Form& form;
  Control* top = nullptr;
  Control* bottom = nullptr;
};

Control& Place(Control& control, int left, int top, int width, int height) {
  control.Move(left, top, width, height);
  return control;
}

// fraTop with its header labels; `withIcon` adds the product picture imgIcon.
Control& AddHeader(Form& form, bool withIcon) {
  Control& top = Place(form.Add(ControlKind::kFrame, "fraTop"), 0, 0, kWindowWidth, kTopHeight);
  if (withIcon) Place(form.Add(ControlKind::kImage, "imgIcon", &top), kMargin, 240, 720, 720);
  const int textLeft = 1200;
  Control& hdr1 = Place(form.Add(ControlKind::kLabel, "lblHdr1", &top), textLeft, 240,
                        kWindowWidth - textLeft - kMargin, 360);
  hdr1.Set(ControlProperty::kFontBold, vbscript::Value::Boolean(true));
  hdr1.Set(ControlProperty::kFontSize, vbscript::Value::Double(10));
  Place(form.Add(ControlKind::kLabel, "lblHdr2", &top), textLeft, 660,
        kWindowWidth - textLeft - kMargin, 420);
  return top;
}

// One browser in its frame between `top` and `top + height`.
void AddPage(Form& form, std::string frame, std::string browser, int top, int height) {
  Control& holder =
      Place(form.Add(ControlKind::kFrame, std::move(frame)), 0, top, kWindowWidth, height);
  Place(form.Add(ControlKind::kBrowser, std::move(browser), &holder), 0, 0, kWindowWidth, height);
}

// fraBottom with the version label and the given buttons, right-aligned in
// the order given.
Control& AddBottom(Form& form, std::initializer_list<std::pair<const char*, const char*>> buttons,
                   int windowHeight = kWindowHeight) {
  Control& bottom = Place(form.Add(ControlKind::kFrame, "fraBottom"), 0,
                          windowHeight - kBottomHeight, kWindowWidth, kBottomHeight);
  Place(form.Add(ControlKind::kLabel, "lblVersion", &bottom), kMargin, 420, 3600, 300)
      .Set(ControlProperty::kFontSize, vbscript::Value::Double(7));
  int left = kWindowWidth - kMargin - static_cast<int>(buttons.size()) * (kButtonWidth + 120) + 120;
  for (const auto& [name, caption] : buttons) {
    Control& button = Place(form.Add(ControlKind::kCommandButton, name, &bottom), left, 240,
                            kButtonWidth, kButtonHeight);
    button.SetCaption(caption);
    left += kButtonWidth + 120;
  }
  return bottom;
}

// A screen window, starting with the picture that the screen samples for
// the window colour: first, so that everything else lies above it.
std::unique_ptr<Form> NewScreenForm(const char* name) {
  auto form = std::make_unique<Form>(name);
  Place(form->Add(ControlKind::kPicture, "pictDummy"), 0, 0, 150, 150);
  return form;
}

void AddCaptionBar(Form& form) {
  form.Add(ControlKind::kCaptionBar, "UniFormCaptionB1");
}

// The three product icons of the language and newsletter screens; the screen
// shows the one of the product on show.
void AddProductIcons(Form& form, Control& top) {
  for (const char* name : {"imgIcon_OL", "imgIcon_SW", "imgIcon_PT"}) {
    Place(form.Add(ControlKind::kImage, name, &top), kMargin, 240, 720, 720).SetVisible(false);
  }
}

constexpr int kPageTop = kTopHeight;
constexpr int kPageHeight = kWindowHeight - kTopHeight - kBottomHeight;

std::unique_ptr<Form> Language() {
  auto form = NewScreenForm("frmLanguage");
  Control& top = AddHeader(*form, false);
  AddProductIcons(*form, top);
  AddPage(*form, "fra1", "WebBrowser1", kPageTop, kPageHeight);
  AddBottom(*form, {{"cmdSelect", "*Next >"}});
  AddCaptionBar(*form);
  return form;
}

std::unique_ptr<Form> Email() {
  auto form = NewScreenForm("frmEmail");
  Control& top = AddHeader(*form, false);
  AddProductIcons(*form, top);
  AddPage(*form, "fra1", "WebBrowser1", kPageTop, kPageHeight);
  AddBottom(*form, {{"cmdSkip", "*Skip"}, {"cmdNext", "*Next >"}});
  AddCaptionBar(*form);
  return form;
}

std::unique_ptr<Form> SpamInfo() {
  auto form = NewScreenForm("frmSpamInfo");
  AddHeader(*form, true);
  const int pictureHeight = 1500;
  AddPage(*form, "fra1", "WebBrowser1", kPageTop, kPageHeight - pictureHeight);
  Control& holder = Place(form->Add(ControlKind::kFrame, "fra2"), 0,
                          kPageTop + kPageHeight - pictureHeight, kWindowWidth, pictureHeight);
  Place(form->Add(ControlKind::kImage, "imgNotSpam", &holder), (kWindowWidth - 3000) / 2, 120, 3000,
        pictureHeight - 240);
  AddBottom(*form, {{"cmdNext", "*Next >"}});
  AddCaptionBar(*form);
  return form;
}

std::unique_ptr<Form> Bundle() {
  auto form = NewScreenForm("frmBundle");
  AddHeader(*form, true);
  const int acceptHeight = 1200;
  AddPage(*form, "fra1", "WebBrowser1", kPageTop, kPageHeight - acceptHeight);
  AddPage(*form, "fra2", "WebBrowser2", kPageTop + kPageHeight - acceptHeight, acceptHeight);
  AddBottom(*form, {{"cmdDecline", "*Decline"}, {"cmdAccept", "*Accept"}});
  Control& timer = form->Add(ControlKind::kTimer, "Timer1");
  timer.Set(ControlProperty::kInterval, vbscript::Value::Long(50));
  timer.SetEnabled(false);
  AddCaptionBar(*form);
  return form;
}

std::unique_ptr<Form> FirewallCross() {
  auto form = NewScreenForm("frmFirewallCross");
  AddHeader(*form, true);
  AddPage(*form, "fra1", "WebBrowser1", kPageTop, kPageHeight);
  AddBottom(*form, {{"cmdClose", "*Close"}});
  AddCaptionBar(*form);
  return form;
}

std::unique_ptr<Form> ShowLinks() {
  // A document window: no header panel, a taller page.
  auto form = NewScreenForm("frmShowLinks");
  AddPage(*form, "fra1", "WebBrowser1", 0, kWindowHeight - kBottomHeight);
  AddBottom(*form, {{"cmdPrint", "*Print"}, {"cmdOK", "*OK"}});
  AddCaptionBar(*form);
  return form;
}

std::unique_ptr<Form> FontsMissingDialog() {
  // Fixed English texts in Arial: shown exactly when Japanese cannot be.
  constexpr int width = 7200;
  constexpr int height = 5400;
  auto form = std::make_unique<Form>("dlgErrJapaneseFontsMissing");
  form->SetCaption("East Asian Languages Are Missing");
  constexpr int infoHeight = 900;
  for (const auto& [name, top, labelHeight] :
       {std::tuple{"lblInfo", kMargin, infoHeight},
        std::tuple{"lblMessage", kMargin + infoHeight + 120, height - 1200 - infoHeight - 120}}) {
    Control& label =
        Place(form->Add(ControlKind::kLabel, name), kMargin, top, width - 2 * kMargin, labelHeight);
    label.Set(ControlProperty::kFontName, vbscript::Value::String("Arial"));
    label.Set(ControlProperty::kWordWrap, vbscript::Value::Boolean(true));
  }
  int left = width - kMargin - 2 * kButtonWidth - 600;
  for (const auto& [name, caption, buttonWidth] :
       {std::tuple{"cmdClose", "Close", kButtonWidth},
        std::tuple{"cmdCancel", "Continue in English", kButtonWidth + 600}}) {
    Control& button = Place(form->Add(ControlKind::kCommandButton, name), left, height - 720,
                            buttonWidth, kButtonHeight);
    button.SetCaption(caption);
    button.Set(ControlProperty::kFontName, vbscript::Value::String("Arial"));
    left += buttonWidth + 120;
  }
  return form;
}

}  // namespace

std::span<const std::string_view> LocalizedFormNames() {
  return kLocalizedForms;
}

std::unique_ptr<Form> CreateFormDesign(std::string_view name) {
  if (name == "frmLanguage") return Language();
  if (name == "frmEmail") return Email();
  if (name == "frmSpamInfo") return SpamInfo();
  if (name == "frmBundle") return Bundle();
  if (name == "frmFirewallCross") return FirewallCross();
  if (name == "frmShowLinks") return ShowLinks();
  if (name == "dlgErrJapaneseFontsMissing") return FontsMissingDialog();
  return nullptr;
}

}  // namespace pavane::screens
