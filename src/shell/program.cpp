#include "shell/program.h"

#include <memory>

#include "shell/application.h"
#include "shell/formmain.h"
#include "shell/formtest.h"
#include "shell/window_style.h"

namespace vpo::shell {

int RunProgram(Application& app, const std::function<void(TFMain&, TFTest&)>& beforeLoop) {
  std::unique_ptr<TFMain> mainForm;
  std::unique_ptr<TFTest> testForm;
  try {
    Application::setWindowIcon(ProgramIcon());
    mainForm = std::make_unique<TFMain>();   // step 4: the main form
    testForm = std::make_unique<TFTest>();   // step 5: hidden
    mainForm->SetTestForm(testForm.get());
    mainForm->show();                        // step 6: the loop shows the main form
    if (beforeLoop) beforeLoop(*mainForm, *testForm);
    app.exec();
  } catch (...) {
    Application::ReportCurrentException();
  }
  // Shutdown step 5: the last created first.
  if (mainForm) mainForm->SetTestForm(nullptr);
  testForm.reset();
  mainForm.reset();
  return 0;
}

}  // namespace vpo::shell
