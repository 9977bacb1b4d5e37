#pragma once

struct Application;

// Draws the status text over the picture and counts the redraw.
void drawOverlay(Application& app);
