// vexagrid-cli: the engine from the command line.
#include <iostream>

#include "app/settings.h"
#include "app/version.h"
#include "cli/cli.h"
#include "cli/cmd_device.h"
#include "cli/print_session.h"

int main(int argc, char** argv)
{
    CLI::App app{"VexaGrid output centre, command-line tool", "vexagrid-cli"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "vexagrid-cli " VEXA_VERSION);

    std::vector<std::string> files;
    std::string out;
    bool asJson = false;

    CLI::App* info = app.add_subcommand("info", "Read HP-GL files and report what they hold");
    info->add_option("files", files, "HP-GL files (.plt)")->required();
    info->add_flag("--json", asJson, "One JSON object per file");

    std::vector<std::string> texts;
    double height = 1.0;
    CLI::App* glyphs = app.add_subcommand("glyphs", "Write a sheet of sample text, drawn with the stroke fonts, as HP-GL");
    glyphs->add_option("-o,--output", out, "HP-GL file to write")->required();
    glyphs->add_option("--text", texts, "Lines of text (UTF-8) instead of the sample sheet");
    glyphs->add_option("--height", height, "Character height in cm")->check(CLI::Range(0.05, 100.0));

    cli::LayoutOptions layout;
    CLI::App* convert = app.add_subcommand("convert", "Import HP-GL files as jobs and export the job list as one HP-GL file");
    convert->add_option("files", files, "HP-GL files (.plt)")->required();
    convert->add_option("-o,--output", out, "HP-GL file to write")->required();
    layout.AddTo(convert);

    CLI::App* tasks = app.add_subcommand("tasks", "Task files (.vxtask): job lists");
    tasks->require_subcommand(1);
    CLI::App* save = tasks->add_subcommand("save", "Import HP-GL files as jobs and save the job list");
    save->add_option("files", files, "HP-GL files (.plt)")->required();
    save->add_option("-o,--output", out, "Task file to write")->required();
    layout.AddTo(save);
    std::string list;
    CLI::App* show = tasks->add_subcommand("show", "List the jobs of a task file");
    show->add_option("list", list, "Task file")->required();
    show->add_flag("--json", asJson, "One JSON object per job");
    CLI::App* exportList = tasks->add_subcommand("export", "Export the jobs of a task file as one HP-GL file");
    exportList->add_option("list", list, "Task file")->required();
    exportList->add_option("-o,--output", out, "HP-GL file to write")->required();

    cli::MachineOptions machine;
    std::string file;
    CLI::App* swaths = app.add_subcommand("swaths", "Write the swath streams the controller would receive for a file");
    swaths->add_option("file", file, "HP-GL file (.plt)")->required();
    swaths->add_option("-o,--output", out, "Directory for header.json and the swath files")->required();
    layout.AddTo(swaths);
    machine.AddTo(swaths);

    int scale = 1;
    CLI::App* render = app.add_subcommand("render", "Draw what the plotter prints for a file, dot for dot, as PNG");
    render->add_option("file", file, "HP-GL file (.plt)")->required();
    render->add_option("-o,--output", out, "PNG file to write")->required();
    render->add_option("--scale", scale, "Dots per pixel along each axis")->check(CLI::Range(1, 1000));
    layout.AddTo(render);
    machine.AddTo(render);

    cli::LinkOptions link;
    int copies = 1;
    int startAt = 0;
    CLI::App* print = app.add_subcommand("print", "Print files on the plotter, copies counted down, until all have printed");
    print->add_option("files", files, "HP-GL files (.plt)")->required();
    print->add_option("--copies", copies, "Copies of each file")->check(CLI::Range(1, 100000));
    print->add_option("--start-at", startAt, "Start position along the feed, mm");
    link.AddTo(print);

    std::string hotFolder;
    CLI::App* serve = app.add_subcommand("serve", "The output centre without a window: hot folder, job list, printing");
    serve->add_option("--hot-folder", hotFolder, "The hot folder (default: the one of Vexa.ini)");
    link.AddTo(serve);

    cli::DeviceCommands device;
    device.AddTo(app);

    // Set last, so that the commands do not take them over.
    app.set_help_all_flag("--help-all", "Print this help message with every command's options and exit");
    app.footer("Exit status: 0 on success, 1 when the command failed (the message names the file or the\n"
               "controller), 2 when the command line is wrong.");

    // Without a command the tool says what it can do, rather than what is missing.
    if (argc <= 1) {
        std::cout << app.help();
        return 0;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end here with 0; a wrong command line with 2.
        return app.exit(e) == 0 ? 0 : 2;
    }

    if (print->parsed())
        return cli::Print(files, copies, startAt, link);
    if (serve->parsed())
        return cli::Serve(hotFolder, link);
    if (const auto status = device.Run())
        return *status;

    if (convert->parsed() || save->parsed() || swaths->parsed() || render->parsed()) {
        layout.LoadSettings();
    } else {
        // Reading HP-GL draws labels with the built-in stroke fonts.
        g_settings.InitFontPaths();
    }
    if (info->parsed())
        return cli::Info(files, asJson);
    if (glyphs->parsed())
        return cli::Glyphs(out, texts, height);
    if (convert->parsed())
        return cli::Convert(files, out);
    if (save->parsed())
        return cli::TasksSave(files, out);
    if (show->parsed())
        return cli::TasksShow(list, asJson);
    if (exportList->parsed())
        return cli::TasksExport(list, out);
    if (swaths->parsed())
        return cli::Swaths(file, out, machine);
    if (render->parsed())
        return cli::Render(file, out, scale, machine);
    return 0;
}
