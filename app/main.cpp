// Process entry.
#include "app/main_form.h"
#include "app/teardown.h"
#include "platform/exception.h"
#include "platform/forms.h"

int main() {
    int code = 0;
    try {
        Application->Initialize();
        Application->CreateForm(frmMain);
        Application->Run();
    } catch (const Exception& error) {
        Application->ShowException(error);
        code = 1;  // no window could be had: say so to whoever started us
    } catch (...) {
        Application->ShowException(Exception(""));
        code = 1;
    }
    TearDown();
    return code;
}
