#include "app/program.h"

#include "app/profile.h"
#include "app/screen_sequence.h"
#include "app/startup.h"
#include "localize/language_captions.h"
#include "localize/language_loader.h"
#include "localize/language_screen.h"
#include "platform/system_helpers.h"
#include "reporting/http_get.h"
#include "reporting/registry_flags.h"
#include "screens/info/email_screen.h"

namespace pavane::app {
namespace {

using namespace os::message_box;

// Everything one run holds, in the order it must be torn down.
class Program {
 public:
  Program(os::WindowSystem& ui, platform::Registry& registry, os::HttpClient& http,
          Deployment deployment)
      : ui_(ui),
        run_(registry, http, std::move(deployment)),
        language_(run_.Settings.ShownAppCode),
        loader_(run_.Settings, language_),
        captions_(language_),
        session_(run_, ui, captions_, sequence_) {
    sequence_.Attach(session_);
    // The validation service and the download addresses move with the
    // deployment's server, as the tracking addresses do.
    language_.SetServerBase(run_.Deploy.ServerBase);
  }

  int Run(std::string_view commandLine, std::string_view programFolder) {
    ui_.OnEndRequest([this] { sequence_.EndOnRequest(); });
    ui_.OnRunFailed([this](int status) {
      run_.Halted = true;
      sequence_.EndProgram(status);
    });
    const int status = Start(commandLine, programFolder);
    reporting::FinishPendingRequests(run_);
    ui_.OnEndRequest(nullptr);
    ui_.OnRunFailed(nullptr);
    return status;
  }

 private:
  int Start(std::string_view commandLine, std::string_view programFolder);
  // The language the screens start in before the user chooses: the saved
  // one, else the environment's, the first that is installed; else English.
  std::string PresumedLanguage() const;
  bool LoadLanguage();
  bool Ending() const { return session_.ending; }

  os::WindowSystem& ui_;
  pavane::Run run_;
  localize::LanguageText language_;
  localize::LanguageLoader loader_;
  localize::LanguageCaptions captions_;
  ScreenSequence sequence_;
  screens::Session session_;
};

std::string Program::PresumedLanguage() const {
  std::vector<std::string> wanted = platform::LanguagesFromLocale();
  const std::string saved = localize::ReadSavedLanguage(run_.Registry, run_.Profile.ProductKeyName);
  if (!saved.empty()) wanted.insert(wanted.begin(), saved);
  for (const std::string& code : wanted) {
    if (loader_.HasLanguage(code)) return code;
  }
  return "en";
}

bool Program::LoadLanguage() {
  std::string message;
  if (loader_.InitLanguageText(message)) {
    run_.Texts = &language_;
    if (!loader_.Warning().empty()) ui_.Notice("language file: " + loader_.Warning());
    return true;
  }
  ui_.MessageBox(nullptr, message, kIconStop, screens::Session::kProgramTitle);
  return false;
}

int Program::Start(std::string_view commandLine, std::string_view programFolder) {
  RunSettings& settings = run_.Settings;
  std::string message;
  std::vector<std::string> notices;
  if (!PrepareRunSettings(settings, commandLine, programFolder, message, &notices)) {
    ui_.MessageBox(nullptr, message, kOk, screens::Session::kProgramTitle);
  }
  for (const std::string& notice : notices) ui_.Notice(notice);
  run_.GivenCommandLine = settings.CommandLineText;
  run_.ProgramFolder = std::string(programFolder);
  settings.ScalingPercent = ScalingFromTwips(ui_.TwipsPerPixelX());
  SetStrings(run_, settings.MainAppCode, true);

  if (settings.LanguageCode.empty()) settings.LanguageCode = "xx";
  // A language this installation does not have is left to the user to
  // choose, as when the setup asks for the choice.
  if (settings.LanguageCode != "xx" && !loader_.HasLanguage(settings.LanguageCode)) {
    ui_.Notice("there is no language file for \"" + settings.LanguageCode +
               "\"; the language screen asks the user");
    settings.LanguageCode = "xx";
  }
  std::string languageInForce;
  if (settings.LanguageCode == "xx") {
    settings.LanguageCode = PresumedLanguage();
    if (!LoadLanguage()) return 1;
    languageInForce = settings.LanguageCode;
    if (run_.Profile.AccountPageUrl.empty()) SetStrings(run_, settings.MainAppCode, false);
    sequence_.ShowModalScreen(sequence_.Create<localize::LanguageScreen>(), nullptr);
    if (Ending()) return session_.status;
    if (!loader_.HasLanguage(settings.LanguageCode)) {
      ui_.Notice("there is no language file for the chosen \"" + settings.LanguageCode +
                 "\"; the screens stay in \"" + languageInForce + "\"");
      settings.LanguageCode = languageInForce;
    }
  }

  if (settings.LanguageCode == "ja" && !localize::CheckJapaneseFonts(run_, ui_)) {
    auto& dialog = sequence_.Create<localize::FontsMissingDialog>();
    sequence_.ShowModalScreen(dialog, nullptr);
    if (Ending()) return session_.status;
    if (dialog.Result()) {
      reporting::SetTandemValue(run_, "Shut Down");
      return 0;
    }
    run_.Settings.TandemReply = "en";
    settings.LanguageCode = "en";
  }

  if (settings.LanguageCode != languageInForce && !LoadLanguage()) return 1;
  if (run_.Profile.AccountPageUrl.empty()) SetStrings(run_, settings.MainAppCode, false);
  ui_.Loop().PumpPending();

  sequence_.ShowScreen(sequence_.Create<screens::EmailScreen>());
  if (Ending()) return session_.status;
  const int status = ui_.Loop().Run();
  return Ending() ? session_.status : status;
}

}  // namespace

std::int16_t ScalingFromTwips(int twipsPerPixel) {
  switch (twipsPerPixel) {
    case 12:
      return 125;
    case 10:
      return 150;
    default:
      return 100;
  }
}

int RunProgram(os::WindowSystem& ui, platform::Registry& registry, os::HttpClient& http,
               Deployment deployment, std::string_view commandLine,
               std::string_view programFolder) {
  Program program(ui, registry, http, std::move(deployment));
  return program.Run(commandLine, programFolder);
}

}  // namespace pavane::app
