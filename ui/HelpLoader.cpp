#include "ui/HelpLoader.h"

#include <vector>

#include "framework/application.h"
#include "framework/graphics.h"
#include "framework/screen.h"
#include "framework/streams.h"
#include "rtf/RtfEditField.h"
#include "rtf/RtfFont.h"
#include "rtf/RtfParser.h"
#include "ui/HelpWindow.h"

namespace HelpLoader {
namespace {

bool gLoading = false;

// Marks a load in progress for as long as it lives.
class LoadingScope {
 public:
  LoadingScope() { gLoading = true; }
  ~LoadingScope() { gLoading = false; }
  LoadingScope(const LoadingScope&) = delete;
  LoadingScope& operator=(const LoadingScope&) = delete;
};

// The fonts the document's font table may name: the installed families.
std::vector<rb::String> InstalledFonts() {
  std::vector<rb::String> fonts;
  const int n = rb::FontCount();
  fonts.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) fonts.push_back(rb::Font(i));
  return fonts;
}

}  // namespace

bool Loading() { return gLoading; }

rb::String MissingHelpMessage() {
  return rb::String("The help file Help.RTF has been moved or deleted.") + rb::EndOfLine() +
         rb::String("Please reinstall Skerrow!! or visit README.md in the Skerrow folder");
}

bool HelpAction() {
  if (gLoading) return false;
  rb::Ref<rb::FolderItem> file = rb::GetFolderItem("help.rtf", 0);
  rb::Ref<rb::TextInputStream> test = file ? file->OpenAsTextFile() : nullptr;
  if (!test) {
    HelpWindow()->Control<RtfEditField>("EditField1")->SetText(MissingHelpMessage());
    return false;
  }
  test->Close();
  test = nullptr;
  ParseRTF(file);
  return false;
}

void ParseRTF(const rb::Ref<rb::FolderItem>& file) {
  if (gLoading) return;
  rb::Ref<rb::BinaryStream> stream = file->OpenAsBinaryFile(false);
  if (!stream) return;
  LoadingScope loading;
  if (!RtfFont::HasInstalledFontsSource()) RtfFont::SetInstalledFontsSource(InstalledFonts);
  // Escape or Ctrl+. pressed while the document loads ends it early (the
  // reader polls the framework's cancel request), and so does Quit; earlier
  // presses do not.
  rb::ResetUserCancelled();
  rb::Ref<RtfParser> parser = rb::Ref<RtfParser>::New();
  parser->RTFparser();
  rb::Ref<HelpWindowClass> window = HelpWindow();
  rb::Ref<RtfEditField> field = window->Control<RtfEditField>("EditField1");
  parser->Parse(stream, field.get());
  // Closed by the user while the document loaded: nothing left to place.
  if (!window->_IsOpen()) {
    stream->Close();
    return;
  }
  field->SetScrollPosition(-1);
  rb::Ref<rb::ScreenInfo> screen = rb::Screen(0);
  window->SetLeft(static_cast<int>(screen->Width() / 2.0 - window->Width() / 2.0));
  window->SetTop(static_cast<int>(screen->Height() / 2.0 - (window->Height() - 150)));
  stream->Close();
}

}  // namespace HelpLoader
