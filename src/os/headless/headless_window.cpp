#include "os/headless/headless_window.h"

#include <algorithm>

#include "os/files.h"
#include "os/headless/headless_browser.h"
#include "os/headless/headless_window_system.h"

namespace pavane::os::headless {
namespace {

constexpr std::uint64_t kMaxImageBytes = 16 * 1024 * 1024;

std::uint32_t BigEndian32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  }
  return value;
}

std::uint32_t LittleEndian(const std::string& bytes, std::size_t at, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = count; i-- > 0;)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// Width and height in pixels from the file's header: PNG, GIF or BMP.
std::optional<std::pair<std::int32_t, std::int32_t>> ImagePixels(const std::string& path) {
  std::string bytes;
  FileError error;
  if (!ReadFileBytes(path, kMaxImageBytes, bytes, error)) return std::nullopt;
  if (bytes.size() >= 24 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0 &&
      bytes.compare(12, 4, "IHDR") == 0) {
    return std::pair{static_cast<std::int32_t>(BigEndian32(bytes, 16)),
                     static_cast<std::int32_t>(BigEndian32(bytes, 20))};
  }
  if (bytes.size() >= 10 &&
      (bytes.compare(0, 6, "GIF87a") == 0 || bytes.compare(0, 6, "GIF89a") == 0)) {
    return std::pair{static_cast<std::int32_t>(LittleEndian(bytes, 6, 2)),
                     static_cast<std::int32_t>(LittleEndian(bytes, 8, 2))};
  }
  if (bytes.size() >= 26 && bytes.compare(0, 2, "BM") == 0) {
    // A negative height marks a top-down bitmap; the size is the same.
    const auto height = static_cast<std::int32_t>(LittleEndian(bytes, 22, 4));
    return std::pair{static_cast<std::int32_t>(LittleEndian(bytes, 18, 4)),
                     height < 0 ? -height : height};
  }
  return std::nullopt;
}

}  // namespace

HeadlessWindow::HeadlessWindow(HeadlessWindowSystem& system, const WindowSpec& design,
                               WindowEvents& events)
    : system_(system), design_(design), events_(events) {
  for (const WidgetSpec& widget : design_.widgets) {
    if (widget.kind == WidgetKind::kBrowser) {
      browsers_.push_back(std::make_unique<HeadlessBrowser>(*this, widget.name));
    }
  }
}

HeadlessWindow::~HeadlessWindow() {
  CancelEvents();
  system_.Forget(this);
}

void HeadlessWindow::CancelEvents() {
  system_.VirtualLoop().CancelPosted(this);
  for (const auto& browser : browsers_) system_.VirtualLoop().CancelPosted(browser.get());
}

void HeadlessWindow::Show() {
  if (!open_) return;
  if (!shown_) {
    shown_ = true;
    system_.transcript_.Show(Name(), false, nullptr);
  } else if (system_.ActiveWindow() == this) {
    return;  // already in front: nothing is activated
  }
  system_.BringToFront(this);
  system_.VirtualLoop().Post(this, [this] { events_.Activated(); });
}

void HeadlessWindow::ShowModal(Window* owner) {
  if (!open_) return;
  shown_ = true;
  modal_ = true;
  system_.transcript_.Show(Name(), true, owner);
  system_.BringToFront(this);
  system_.VirtualLoop().Post(this, [this] { events_.Activated(); });
  system_.VirtualLoop().RunUntil([this] { return !open_; });
}

void HeadlessWindow::Close() {
  if (!open_) return;
  open_ = false;
  shown_ = false;
  modal_ = false;
  CancelEvents();
  system_.transcript_.Close(Name());
  system_.Hidden(this);
}

void HeadlessWindow::SetTopmost(bool topmost) {
  topmost_ = topmost;
  system_.transcript_.Topmost(Name(), topmost);
}

void HeadlessWindow::RemoveCloseButton() {
  closeButton_ = false;
  system_.transcript_.CloseButtonRemoved(Name());
}

void HeadlessWindow::SetTitle(const std::string& title) {
  design_.title = title;
  system_.transcript_.Title(Name(), title);
}

void HeadlessWindow::UpdateWidget(const WidgetSpec& widget) {
  for (WidgetSpec& existing : design_.widgets) {
    if (existing.name == widget.name) {
      existing = widget;
      return;
    }
  }
  design_.widgets.push_back(widget);
}

std::optional<std::pair<std::int32_t, std::int32_t>> HeadlessWindow::SetImage(
    const std::string& widget, const std::string& imageFile) {
  const auto pixels = ImagePixels(imageFile);
  if (!pixels || !Widget(widget)) return std::nullopt;
  std::erase_if(images_, [&](const auto& image) { return image.first == widget; });
  images_.emplace_back(widget, imageFile);
  const int twips = system_.TwipsPerPixelX();
  return std::pair{pixels->first * twips, pixels->second * twips};
}

std::string HeadlessWindow::ImageOf(std::string_view widget) const {
  for (const auto& [name, file] : images_) {
    if (name == widget) return file;
  }
  return "";
}

Browser* HeadlessWindow::GetBrowser(std::string_view widget) {
  return FindBrowser(widget);
}

HeadlessBrowser* HeadlessWindow::FindBrowser(std::string_view name) const {
  for (const auto& browser : browsers_) {
    if (browser->Name() == name) return browser.get();
  }
  return nullptr;
}

std::optional<std::uint32_t> HeadlessWindow::SamplePixel(std::string_view widget, int x, int y) {
  if (!Widget(widget) || x < 0 || y < 0) return std::nullopt;
  return system_.WindowColor();
}

void HeadlessWindow::SetPosition(std::int32_t left, std::int32_t top) {
  left_ = left;
  top_ = top;
  system_.transcript_.Move(Name(), left, top);
}

const WidgetSpec* HeadlessWindow::Widget(std::string_view name) const {
  for (const WidgetSpec& widget : design_.widgets) {
    if (widget.name == name) return &widget;
  }
  return nullptr;
}

bool HeadlessWindow::WidgetShown(std::string_view name) const {
  // Bounded by the number of widgets, so a design whose containers form a
  // loop cannot hang the check.
  const WidgetSpec* widget = Widget(name);
  for (std::size_t depth = 0; widget && depth <= design_.widgets.size(); ++depth) {
    if (!widget->state.visible) return false;
    if (widget->container.empty() || !Widget(widget->container)) return true;
    widget = Widget(widget->container);
  }
  return false;
}

bool HeadlessWindow::WidgetEnabled(std::string_view name) const {
  const WidgetSpec* widget = Widget(name);
  for (std::size_t depth = 0; widget && depth <= design_.widgets.size(); ++depth) {
    if (!widget->state.enabled) return false;
    if (widget->container.empty() || !Widget(widget->container)) return true;
    widget = Widget(widget->container);
  }
  return false;
}

}  // namespace pavane::os::headless
