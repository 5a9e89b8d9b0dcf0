// The built-in commands installed under /bin: ls, cd, pwd, cat, echo, mkdir, clear, time and
// export. Each is a program entry run in its own process (cd and export change the session
// process). Output goes to standard output; results as each command documents.
#pragma once

int ls_main(int argc, char** argv);
int cd_main(int argc, char** argv);
int pwd_main(int argc, char** argv);
int cat_main(int argc, char** argv);
int echo_main(int argc, char** argv);
int mkdir_main(int argc, char** argv);
int clear_main(int argc, char** argv);
int time_main(int argc, char** argv);
int export_main(int argc, char** argv);
