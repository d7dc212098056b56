// Process entry.
#include "app/main_form.h"
#include "platform/exception.h"
#include "platform/forms.h"

int main() {
    try {
        Application->Initialize();
        Application->CreateForm(frmMain);
        Application->Run();
    } catch (const Exception& error) {
        Application->ShowException(error);
        return 1;  // no window could be had: say so to whoever started us
    } catch (...) {
        Application->ShowException(Exception(""));
        return 1;
    }
    return 0;
}
