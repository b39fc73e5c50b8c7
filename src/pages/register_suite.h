// Registers the setup components so form resources can name them.
#pragma once

void RegisterSuiteClasses();
