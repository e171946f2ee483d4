<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CMainFrame</name>
    <message>
        <source>控制面板</source>
        <translation>Control Bar</translation>
    </message>
    <message>
        <source>就绪</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>添加plt(&amp;A)</source>
        <translation>&amp;Add PLT</translation>
    </message>
    <message>
        <source>添加一个plt文件</source>
        <translation>Add a PLT file</translation>
    </message>
    <message>
        <source>添加plt</source>
        <translation>Add PLT</translation>
    </message>
    <message>
        <source>打开Plt(&amp;P)</source>
        <translation>O&amp;pen PLT</translation>
    </message>
    <message>
        <source>打开一个plt文件</source>
        <translation>Open a PLT file</translation>
    </message>
    <message>
        <source>打开plt</source>
        <translation>Open PLT</translation>
    </message>
    <message>
        <source>打开保存的工作列表(&amp;O)</source>
        <translation>&amp;Open Saved Job List</translation>
    </message>
    <message>
        <source>打开保存的打印任务</source>
        <translation>Open a saved job list</translation>
    </message>
    <message>
        <source>保存当前工作列表(&amp;S)</source>
        <translation>&amp;Save Job List</translation>
    </message>
    <message>
        <source>保存打印任务</source>
        <translation>Save the job list</translation>
    </message>
    <message>
        <source>当前列表导出为plt(&amp;E)</source>
        <translation>&amp;Export List as PLT</translation>
    </message>
    <message>
        <source>导出列表为plt文件</source>
        <translation>Export the job list as a PLT file</translation>
    </message>
    <message>
        <source>退出(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>退出应用程序；提示保存文档</source>
        <translation>Quit the application</translation>
    </message>
    <message>
        <source>简体中文(&amp;S)</source>
        <translation>&amp;Simplified Chinese</translation>
    </message>
    <message>
        <source>English(&amp;E)</source>
        <translation>&amp;English</translation>
    </message>
    <message>
        <source>网口</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>机器参数(&amp;P)</source>
        <translation>Machine &amp;Parameters</translation>
    </message>
    <message>
        <source>设置机器参数</source>
        <translation>Set machine parameters</translation>
    </message>
    <message>
        <source>关于 VexaGrid(&amp;A)...</source>
        <translation>&amp;About VexaGrid...</translation>
    </message>
    <message>
        <source>显示程序信息，版本号和版权</source>
        <translation>Show program information, version and copyright</translation>
    </message>
    <message>
        <source>隐藏窗口</source>
        <translation>Hide Window</translation>
    </message>
    <message>
        <source>放大</source>
        <translation>Zoom In</translation>
    </message>
    <message>
        <source>缩小</source>
        <translation>Zoom Out</translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>打开调机文件(&amp;T)</source>
        <translation>&amp;Test Plots</translation>
    </message>
    <message>
        <source>设置(&amp;S)</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>联机方式</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>查看(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>工具栏</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>All file(*.*) (*);;HP-GL(*.plt) (*.plt *.PLT)</source>
        <translation>All file(*.*) (*);;HP-GL(*.plt) (*.plt *.PLT)</translation>
    </message>
    <message>
        <source>喷墨打印任务(*.vxtask) (*.vxtask)</source>
        <translation>Inkjet job list(*.vxtask) (*.vxtask)</translation>
    </message>
    <message>
        <source>打开保存的工作列表</source>
        <translation>Open Saved Job List</translation>
    </message>
    <message>
        <source>保存当前工作列表</source>
        <translation>Save Job List</translation>
    </message>
    <message>
        <source>当前列表导出为plt</source>
        <translation>Export List as PLT</translation>
    </message>
    <message>
        <source>未连接绘图机，读取参数失败！</source>
        <translation>Failed to read parameter</translation>
    </message>
    <message>
        <source>VexaGrid V1.2.1
发布日期:2018年12月30日</source>
        <translation>VexaGrid V1.2.1
Release date: 2018-12-30</translation>
    </message>
    <message>
        <source>机器正在运行,强行关闭可能造成任务失败!
是否强行关闭程序?</source>
        <translation>The machine is running; closing now may spoil the job!
Close the program anyway?</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Note</translation>
    </message>
</context>
<context>
    <name>CVexaView</name>
    <message>
        <source>预览：%1</source>
        <translation>Preview: %1</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>Preview</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>程序已经在运行！若在任务栏里找不到，请双击系统托盘里的图标。</source>
        <translation>The program is already running! If it is not on the taskbar, double-click its icon in the system tray.</translation>
    </message>
</context>
</TS>
