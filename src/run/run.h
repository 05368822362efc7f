// One run of the program: its settings, its profile, and the services every
// part of it uses. Passed down explicitly, never global, so that tests can
// hold many runs in one process.
#pragma once

#include "os/http_client.h"
#include "platform/registry.h"
#include "run/application_profile.h"
#include "run/deployment.h"
#include "run/language_texts.h"
#include "run/run_settings.h"

namespace pavane {

struct Run {
  Run(platform::Registry& registry, os::HttpClient& http, Deployment deployment)
      : Registry(registry), Http(http), Deploy(std::move(deployment)) {}

  RunSettings Settings;
  ApplicationProfile Profile;
  platform::Registry& Registry;
  os::HttpClient& Http;
  Deployment Deploy;
  const LanguageTexts* Texts = nullptr;  // set once a language is loaded

  int ReportedErrors = 0;  // errors handed to the error reporter so far
  // The run failed where it stood (an unattended run's script): nothing
  // more is sent to the maker's server.
  bool Halted = false;

  // The program's own folder (where the downloader lies in production).
  std::string ProgramFolder;
  // The command line as the setup gave it, lower case. The screens append
  // the user's name and address to CommandLineText; the mode switches are
  // looked for here, so that a name cannot change the mode.
  std::string GivenCommandLine;
};

}  // namespace pavane
