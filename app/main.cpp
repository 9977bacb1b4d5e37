#include <SDL.h>

#include <memory>

#include "app/application.h"

int main(int, char**) {
    // The run's state holds the pixel buffer and more: keep it off the stack.
    auto app = std::make_unique<Application>();
    return app->run();
}
