#include "screens/host/screen.h"

#include <algorithm>
#include <cstdio>

#include "os/files.h"
#include "os/url_encoding.h"
#include "platform/system_helpers.h"
#include "platform/text.h"
#include "reporting/tracking.h"
#include "screens/host/caption_markers.h"
#include "screens/host/form_designs.h"

namespace pavane::screens {
namespace {

using std::chrono::milliseconds;
using P = ControlProperty;

// A browser that never stops being busy must not hold the screen forever.
constexpr milliseconds kLoadLimit{30000};
constexpr int kColourSamples = 10;

os::WidgetKind WidgetKindOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::kLabel:
      return os::WidgetKind::kLabel;
    case ControlKind::kTextBox:
      return os::WidgetKind::kTextBox;
    case ControlKind::kFrame:
      return os::WidgetKind::kFrame;
    case ControlKind::kCommandButton:
      return os::WidgetKind::kButton;
    case ControlKind::kCheckBox:
      return os::WidgetKind::kCheckBox;
    case ControlKind::kImage:
      return os::WidgetKind::kImage;
    case ControlKind::kPicture:
      return os::WidgetKind::kPicture;
    case ControlKind::kCaptionBar:
      return os::WidgetKind::kCaptionBar;
    case ControlKind::kBrowser:
      return os::WidgetKind::kBrowser;
    case ControlKind::kLinkLabel:
      return os::WidgetKind::kLinkLabel;
    case ControlKind::kTimer:
      break;
  }
  return os::WidgetKind::kLabel;
}

os::WidgetSpec WidgetOf(const Control& control) {
  os::WidgetSpec widget{control.ScriptName(),
                        WidgetKindOf(control.Kind()),
                        control.Container() != nullptr ? control.Container()->ScriptName() : "",
                        {}};
  os::WidgetState& s = widget.state;
  s.caption = control.GetString(P::kCaption);
  s.text = control.GetString(P::kText);
  s.left = control.Left();
  s.top = control.Top();
  s.width = control.Width();
  s.height = control.Height();
  s.visible = control.Visible();
  s.enabled = control.Enabled();
  s.foreColor = control.GetLong(P::kForeColor);
  s.backColor = control.GetLong(P::kBackColor);
  s.fontName = control.GetString(P::kFontName);
  s.fontSize = control.GetDouble(P::kFontSize);
  s.fontBold = control.GetBoolean(P::kFontBold);
  s.fontItalic = control.GetBoolean(P::kFontItalic);
  s.fontUnderline = control.GetBoolean(P::kFontUnderline);
  s.alignment = control.GetLong(P::kAlignment);
  s.autoSize = control.GetBoolean(P::kAutoSize);
  s.wordWrap = control.GetBoolean(P::kWordWrap);
  s.toolTipText = control.GetString(P::kToolTipText);
  s.value = control.GetLong(P::kValue);
  return widget;
}

os::WindowSpec WindowOf(const Form& form) {
  os::WindowSpec design{form.Name(), form.Caption(), 0, 0, {}};
  for (const Control& control : form.Controls()) {
    if (control.Kind() == ControlKind::kTimer) continue;
    design.widgets.push_back(WidgetOf(control));
    // The window is as large as what it holds.
    if (control.Container() == nullptr && control.Kind() != ControlKind::kCaptionBar) {
      design.clientWidth = std::max(design.clientWidth, control.Left() + control.Width());
      design.clientHeight = std::max(design.clientHeight, control.Top() + control.Height());
    }
  }
  return design;
}

}  // namespace

std::string ColorString(std::uint32_t bgr) {
  const unsigned red = bgr % 256;
  const unsigned green = bgr / 256 % 256;
  const unsigned blue = bgr / 65536 % 256;
  char text[16];
  std::snprintf(text, sizeof text, "%02X%02X%02X", red, green, blue);
  return text;
}

Screen::Screen(Session& session, std::string_view formName)
    : session_(session), run_(session.run), form_(CreateFormDesign(formName)) {
  if (form_ == nullptr) form_ = std::make_unique<Form>(std::string(formName));
}

Screen::~Screen() {
  form_->SetObserver(nullptr);
  if (window_ != nullptr && window_->IsOpen()) window_->Close();
}

bool Screen::Load() {
  if (IsLoaded()) return true;
  if (session_.ending) return false;
  window_ = session_.ui.CreateWindow(WindowOf(*form_), *this);
  // The product icons of the language and newsletter screens carry their
  // pictures from the design: the products' 48-pixel pictures.
  for (const char* code : {"OL", "SW", "PT"}) {
    const std::string icon = std::string("imgIcon_") + code;
    if (Find(icon) != nullptr) {
      window_->SetImage(icon, run_.Settings.HtmlScreensFolder + "Pavane/icons/" + code + "48.png");
    }
  }
  form_->SetObserver(this);
  unloading_ = false;
  OnLoad();
  return IsLoaded() && !session_.ending;
}

void Screen::Show() {
  if (!Load()) return;
  window_->Show();
}

void Screen::ShowModal(Screen* owner) {
  if (!Load()) return;
  window_->ShowModal(owner != nullptr ? owner->NativeWindow() : nullptr);
}

void Screen::Unload() {
  if (!IsLoaded() || unloading_) return;
  unloading_ = true;
  OnUnload();
  form_->SetObserver(nullptr);
  window_->Close();
}

int Screen::MsgBox(const std::string& text, std::uint32_t style, const std::string& title) {
  // 0, as for a box that could not be shown.
  if (session_.endRequested) return 0;
  return session_.ui.MessageBox(window_.get(), text, style,
                                title.empty() ? Session::kProgramTitle : title);
}

void Screen::SetTopmost(bool topmost) {
  if (window_ != nullptr) window_->SetTopmost(topmost);
}

os::Browser* Screen::Page(std::string_view browser) {
  return window_ != nullptr ? window_->GetBrowser(browser) : nullptr;
}

std::string Screen::GetScreenFolder(std::string_view url) const {
  const std::string name(url.substr(0, url.find('?')));
  const std::string own = run_.Settings.PavaneScreensFolder + run_.Settings.LanguageCode + "/";
  if (os::FileExists(own + name)) return own;
  return run_.Settings.PavaneScreensFolder + "shared/";
}

void Screen::NavigateToScreen(std::string& url, std::string_view browser) {
  url += "&scaling=" + std::to_string(run_.Settings.ScalingPercent);
  std::string target = url;
  if (!platform::Contains(url, "HTML Screens/")) {
    target = GetScreenFolder(url) + url + "&language=" + run_.Settings.LanguageCode;
  }
  os::Browser* page = Page(browser);
  if (page == nullptr) return;
  os::PageAddress address = os::SplitPageAddress(target);
  // The browser opens the name as it is on disk, not as the program spells
  // it: content made on Windows does not mind the case of a name.
  address.path = os::ResolvePath(address.path).value_or(address.path);
  page->Navigate(os::FileUrl(address.path, address.query));

  // The load's own events end the wait; a page that never finishes holds
  // the screen for kLoadLimit at most. Its completion (the body, the scroll
  // bars) then runs before the screen goes on.
  os::EventLoop& loop = session_.ui.Loop();
  loop.WaitFor(
      [&] {
        os::Browser* shown = IsLoaded() ? Page(browser) : nullptr;
        return shown == nullptr || !shown->Busy();
      },
      kLoadLimit);
  loop.PumpPending();
}

void Screen::WaitForPageBody(std::string_view browser) {
  os::EventLoop& loop = session_.ui.Loop();
  loop.WaitFor(
      [&] {
        os::Browser* page = IsLoaded() ? Page(browser) : nullptr;
        return page == nullptr || page->HasBody();
      },
      kLoadLimit);
  loop.PumpPending();
}

std::string Screen::GetFormBackColor(bool useTopPanel) {
  std::string colour = "FFFFFF";
  for (int i = 0; i < kColourSamples; ++i) {
    session_.ui.Loop().PumpPending();
    const auto pixel = window_ != nullptr
                           ? window_->SamplePixel(useTopPanel ? "fraTop" : "pictDummy", 1, 1)
                           : std::nullopt;
    colour = pixel ? ColorString(*pixel) : "FFFFFF";
    if (colour != "FFFFFF") break;
    // Not drawn yet, or white indeed: look again a moment later.
    session_.ui.Loop().Sleep(milliseconds(10));
  }
  return colour;
}

bool Screen::InitForm(const std::string& section, std::string url1, bool colorFirst,
                      std::string& errorText, std::string url2, bool colorSecond) {
  errorText.clear();
  SetupCurrentAppIcons();
  // The caption bar draws from the design's caption; nothing to attach.
  if (!session_.captions.PrepareEngine(*form_, engine_)) return true;

  std::string appSection = run_.Settings.ShownAppCode + "-" + section;
  std::string formSection = section;
  std::string message;
  if (!session_.captions.SetCaptions(engine_, appSection, formSection, message)) {
    errorText = "Error in function SetCaptions: " + message;
    return false;
  }
  if (!url1.empty()) {
    ColorFirstBrowser = colorFirst;
    ColorSecondBrowser = colorSecond;
    NavigateToScreen(url1, "WebBrowser1");
    if (!url2.empty()) {
      session_.ui.Loop().PumpPending();
      NavigateToScreen(url2, "WebBrowser2");
    }
  }
  BracketCaptions(*form_);
  return true;
}

void Screen::SetupCurrentAppIcons() {
  if (window_ == nullptr) return;
  const bool withPicture =
      Name() == "frmBundle" || Name() == "frmFirewallCross" || Name() == "frmSpamInfo";
  std::string code = run_.Settings.ShownAppCode;
  if (code == "FW") code = platform::UpperCase(run_.Settings.SaccCode);
  if (code != "OL" && code != "SW" && code != "PT") return;
  const std::string icons = run_.Settings.HtmlScreensFolder + "Pavane/icons/";
  window_->SetIcon(icons + code + ".png");
  if (withPicture && Find("imgIcon") != nullptr)
    window_->SetImage("imgIcon", icons + code + "48.png");
  session_.ui.Loop().PumpPending();
}

void Screen::ApplyPageColours() {
  if (!ColorFirstBrowser && !ColorSecondBrowser) return;
  const std::string colour = GetFormBackColor(false);
  if (ColorFirstBrowser) {
    if (os::Browser* page = Page("WebBrowser1")) page->SetBackgroundColor(colour);
  }
  if (ColorSecondBrowser) {
    if (os::Browser* page = Page("WebBrowser2")) page->SetBackgroundColor(colour);
  }
}

void Screen::ReportDisplayedOnce(std::string_view action) {
  if (Displayed) return;
  Displayed = true;
  reporting::ReportEvent(run_, action, run_.Settings.EventOrigin);
}

void Screen::OnDocumentComplete(std::string_view browser) {
  WaitForPageBody(browser);
  if (!ScrollOff()) return;
  if (os::Browser* page = Page(browser)) page->SetBodyScroll("no");
}

void Screen::Activated() {
  if (IsLoaded() && !session_.ending) OnActivate();
}

void Screen::ButtonClicked(std::string_view widget) {
  if (IsLoaded() && !session_.ending) OnClick(widget);
}

void Screen::CloseRequested() {
  if (IsLoaded()) OnCloseRequested();
}

void Screen::DocumentComplete(std::string_view browser) {
  if (IsLoaded() && !session_.ending) OnDocumentComplete(browser);
}

void Screen::ElementChanged(std::string_view browser, std::string_view element) {
  if (IsLoaded() && !session_.ending) OnElementChanged(browser, element);
}

bool Screen::BeforeNavigate(std::string_view browser, const std::string& url) {
  if (!IsLoaded() || session_.ending) return true;
  return OnBeforeNavigate(browser, url) || !MayLoad(browser, url);
}

bool Screen::MayLoad(std::string_view /*browser*/, const std::string& url) {
  const std::optional<os::UrlParts> parts = os::ParseUrl(url);
  return parts && parts->scheme == "file" && (parts->host.empty() || parts->host == "localhost") &&
         platform::IsInsideFolder(parts->path, PageFolder());
}

std::string Screen::PageFolder() const {
  return run_.Settings.PavaneScreensFolder;
}

void Screen::PropertyChanged(const Control& control, ControlProperty property) {
  if (window_ == nullptr || !window_->IsOpen()) return;
  if (control.Kind() == ControlKind::kCaptionBar && property == P::kCaption) {
    window_->SetTitle(control.Caption());
  }
  if (control.Kind() != ControlKind::kTimer) window_->UpdateWidget(WidgetOf(control));
}

}  // namespace pavane::screens
