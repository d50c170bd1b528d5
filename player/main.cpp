// quelmar-play: plays a Quelmar step program on a Linux parallel port.
#include <string>
#include <vector>

#include "player/play_command.h"

int main(int argc, char** argv) {
    return quelmar::player::RunQuelmarPlay(std::vector<std::string>(argv + 1, argv + argc));
}
