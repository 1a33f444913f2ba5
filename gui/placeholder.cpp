// Keeps the shell library non-empty until its first window lands.
namespace gui_placeholder {
int Unused() { return 0; }
}
