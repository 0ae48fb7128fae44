// tesel: the program the suite's menu starts.
//   tesel [M=menu] [P=program] F=form [I=profile.ini]
// M names the running menu's local socket (none: Tesel serves the menu's values itself from
// the profile file and the common database); F is one of the eight entry forms.

#include "registrazione.h"
#include "ui/applicazione.h"

int main(int argc, char** argv) {
    return tesel::ui::eseguiTesel(argc, argv, tesel::ui::registraFormTesel);
}
