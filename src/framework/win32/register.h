// Registers the framework's control classes so form resources can name them.
#pragma once

void RegisterFrameworkClasses();
// Creates the application object (once) and registers the classes.
void InitializeApplication();
// Destroys the application object and every form it owns.
void FinalizeApplication();
