#pragma once

// The one QApplication of a widget test process, made on first use. Without a display setting
// the tests run on the offscreen platform.
void EnsureGuiApplication();
