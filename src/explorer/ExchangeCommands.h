#pragma once

class SettingsStore;
class TCatalogueForm;
class TDataShare;

// Connects the window's Export, Import (Dirvanta 97 file) and Import
// (Dirvanta Version 1 file) commands to their work.
void ConnectExchangeCommands(TCatalogueForm &form, TDataShare &data, SettingsStore &settings);

// The commands themselves, for tests.
void ExportCommand(TCatalogueForm &form, TDataShare &data, SettingsStore &settings);
void ImportCommand(TCatalogueForm &form, TDataShare &data, SettingsStore &settings);
void ConvertV1Command(TCatalogueForm &form, TDataShare &data, SettingsStore &settings);
