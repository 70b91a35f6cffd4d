<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="zh_CN">
<context>
    <name>AuditEntry</name>
    <message>
        <source>Library created</source>
        <translation>库已创建</translation>
    </message>
    <message>
        <source>Library brought under audit</source>
        <translation>库已纳入审计</translation>
    </message>
    <message>
        <source>Library brought up to date</source>
        <translation>库已更新</translation>
    </message>
    <message>
        <source>Recording stored</source>
        <translation>记录已保存</translation>
    </message>
    <message>
        <source>Report texts changed</source>
        <translation>报告文字已更改</translation>
    </message>
    <message>
        <source>Recording removed</source>
        <translation>记录已移除</translation>
    </message>
    <message>
        <source>Recording restored</source>
        <translation>记录已恢复</translation>
    </message>
    <message>
        <source>Process window added</source>
        <translation>工艺窗口已添加</translation>
    </message>
    <message>
        <source>Process window changed</source>
        <translation>工艺窗口已更改</translation>
    </message>
    <message>
        <source>Process window removed</source>
        <translation>工艺窗口已删除</translation>
    </message>
    <message>
        <source>Calibration period changed</source>
        <translation>校准周期已更改</translation>
    </message>
    <message>
        <source>File written</source>
        <translation>文件已写入</translation>
    </message>
    <message>
        <source>Report printed</source>
        <translation>报告已打印</translation>
    </message>
    <message>
        <source>Signature given</source>
        <translation>已签名</translation>
    </message>
    <message>
        <source>reason: %1</source>
        <translation>原因：%1</translation>
    </message>
</context>
<context>
    <name>AuditWindow</name>
    <message>
        <source>Audit trail</source>
        <translation>审计追踪</translation>
    </message>
    <message>
        <source>Recording</source>
        <translation>记录</translation>
    </message>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Since</source>
        <translation>起始</translation>
    </message>
    <message>
        <source>Verify</source>
        <translation>校验</translation>
    </message>
    <message>
        <source>No.</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>User</source>
        <translation>用户</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>工作站</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>操作</translation>
    </message>
    <message>
        <source>Subject</source>
        <translation>对象</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>详情</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>程序</translation>
    </message>
    <message>
        <source>All actions</source>
        <translation>全部操作</translation>
    </message>
    <message>
        <source>History of recording %1</source>
        <translation>记录 %1 的历史</translation>
    </message>
    <message>
        <source>Entries: %1</source>
        <translation>共 %1 条</translation>
    </message>
    <message>
        <source>Checking the audit trail and every recording...</source>
        <translation>正在校验审计追踪和每条记录...</translation>
    </message>
    <message>
        <source>Unbroken: %1 entries, %2 recordings as stored. Head hash %3</source>
        <translation>完好：%1 条审计项，%2 条记录与保存时一致。链头哈希 %3</translation>
    </message>
    <message>
        <source>BROKEN: %1</source>
        <translation>已破坏：%1</translation>
    </message>
    <message>
        <source>Older entries</source>
        <translation>更早的条目</translation>
    </message>
    <message>
        <source>The newest %1 entries; there are older ones.</source>
        <translation>最新的 %1 条；还有更早的条目。</translation>
    </message>
</context>
<context>
    <name>CalibrationAge</name>
    <message>
        <source>Calibrated on %1, more than %2 months ago: the readings may have drifted. Have the instrument calibrated.</source>
        <translation>校准日期为 %1，已超过 %2 个月：读数可能已有漂移，请送检校准。</translation>
    </message>
    <message>
        <source>calibration period</source>
        <translation>校准周期</translation>
    </message>
</context>
<context>
    <name>EnergyCheck</name>
    <message>
        <source>The energy differs from AVG × duration (%1) by %2 %: check the unit and the run.</source>
        <translation>能量与 AVG × 时长（%1）相差 %2 %：请检查单位和测量过程。</translation>
    </message>
</context>
<context>
    <name>FamilyPage</name>
    <message>
        <source>No recording is kept: %1</source>
        <translation>不保存任何记录：%1</translation>
    </message>
    <message>
        <source>no library is open</source>
        <translation>未打开记录库</translation>
    </message>
    <message>
        <source>Not kept in the library: %1</source>
        <translation>未保存到记录库：%1</translation>
    </message>
</context>
<context>
    <name>FileChoice</name>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 已存在。
要替换它吗？</translation>
    </message>
</context>
<context>
    <name>FirstPageFor415</name>
    <message>
        <source>openThreadSlot</source>
        <translation>开启线程</translation>
    </message>
    <message>
        <source>closeThreadSlot</source>
        <translation>关闭线程</translation>
    </message>
    <message>
        <source>Form</source>
        <translation>窗体</translation>
    </message>
    <message>
        <source>Device information</source>
        <translation>设备信息</translation>
    </message>
    <message>
        <source>SN:</source>
        <translation>序列号：</translation>
    </message>
    <message>
        <source>Production Date:</source>
        <translation>生产日期：</translation>
    </message>
    <message>
        <source>Calibration Date:</source>
        <translation>校准日期：</translation>
    </message>
    <message>
        <source>Device Name:</source>
        <translation>设备名称：</translation>
    </message>
    <message>
        <source>Firmware Version:</source>
        <translation>固件版本：</translation>
    </message>
    <message>
        <source>Setup parameter</source>
        <translation>参数设置</translation>
    </message>
    <message>
        <source>Auto Off</source>
        <translation>自动关机</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>关</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>开</translation>
    </message>
    <message>
        <source>Smooth</source>
        <translation>滤波</translation>
    </message>
    <message>
        <source> OFF </source>
        <translation> 关 </translation>
    </message>
    <message>
        <source>50 HZ</source>
        <translation>50 Hz</translation>
    </message>
    <message>
        <source>60 HZ</source>
        <translation>60 Hz</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>单位</translation>
    </message>
    <message>
        <source>uW/c㎡</source>
        <translation>uW/c㎡</translation>
    </message>
    <message>
        <source>mW/c㎡</source>
        <translation>mW/c㎡</translation>
    </message>
    <message>
        <source>W/c㎡</source>
        <translation>W/c㎡</translation>
    </message>
    <message>
        <source>W/㎡</source>
        <translation>W/㎡</translation>
    </message>
    <message>
        <source>Energy Display</source>
        <translation>能量显示</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>No</source>
        <translation>否</translation>
    </message>
    <message>
        <source>Setup</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>读取</translation>
    </message>
    <message>
        <source>Get Data</source>
        <translation>获取数据</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Energy</source>
        <translation>能量</translation>
    </message>
    <message>
        <source>Duration(S)</source>
        <translation>时长(秒)</translation>
    </message>
    <message>
        <source>Power(RT)</source>
        <translation>实时功率</translation>
    </message>
    <message>
        <source>Power(MAX) </source>
        <translation>最大功率 </translation>
    </message>
    <message>
        <source>Power(MIN)</source>
        <translation>最小功率</translation>
    </message>
    <message>
        <source>Power(AVG)</source>
        <translation>平均功率</translation>
    </message>
    <message>
        <source>Solvane UV Instruments</source>
        <translation>Solvane 紫外仪器</translation>
    </message>
    <message>
        <source>www.solvane.example</source>
        <translation>www.solvane.example</translation>
    </message>
    <message>
        <source>Warn</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>No probe connection!</source>
        <translation>探头未连接！</translation>
    </message>
    <message>
        <source>The instrument is not configured production information!</source>
        <translation>仪器未配置生产信息！</translation>
    </message>
    <message>
        <source>warn</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>please Connecting instrument!</source>
        <translation>请连接仪器！</translation>
    </message>
    <message>
        <source>Solvane V2.1</source>
        <translation>Solvane V2.1</translation>
    </message>
    <message>
        <source>Resetting the parameter history data will be cleared.</source>
        <translation>重新设置参数将清除历史数据。</translation>
    </message>
    <message>
        <source>information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>parameter configuration Error!</source>
        <translation>参数配置失败！</translation>
    </message>
    <message>
        <source>parameter configuration success!</source>
        <translation>参数配置成功！</translation>
    </message>
    <message>
        <source>Getting data,please wait...</source>
        <translation>正在获取数据，请稍候……</translation>
    </message>
    <message>
        <source>Getting data outtime,please get again.</source>
        <translation>获取数据超时，请重新获取。</translation>
    </message>
    <message>
        <source>Energy uJ/cm²</source>
        <translation>能量 uJ/cm²</translation>
    </message>
    <message>
        <source>Power(RT) uW/cm²</source>
        <translation>实时功率 uW/cm²</translation>
    </message>
    <message>
        <source>Power(MAX) uW/cm²</source>
        <translation>最大功率 uW/cm²</translation>
    </message>
    <message>
        <source>Power(MIN) uW/cm²</source>
        <translation>最小功率 uW/cm²</translation>
    </message>
    <message>
        <source>Power(AVG) uW/cm²</source>
        <translation>平均功率 uW/cm²</translation>
    </message>
    <message>
        <source>Energy mJ/cm²</source>
        <translation>能量 mJ/cm²</translation>
    </message>
    <message>
        <source>Power(RT) mW/cm²</source>
        <translation>实时功率 mW/cm²</translation>
    </message>
    <message>
        <source>Power(MAX) mW/cm²</source>
        <translation>最大功率 mW/cm²</translation>
    </message>
    <message>
        <source>Power(MIN) mW/cm²</source>
        <translation>最小功率 mW/cm²</translation>
    </message>
    <message>
        <source>Power(AVG) mW/cm²</source>
        <translation>平均功率 mW/cm²</translation>
    </message>
    <message>
        <source>Energy J/cm²</source>
        <translation>能量 J/cm²</translation>
    </message>
    <message>
        <source>Power(RT) W/cm²</source>
        <translation>实时功率 W/cm²</translation>
    </message>
    <message>
        <source>Power(MAX) W/cm²</source>
        <translation>最大功率 W/cm²</translation>
    </message>
    <message>
        <source>Power(MIN) W/cm²</source>
        <translation>最小功率 W/cm²</translation>
    </message>
    <message>
        <source>Power(AVG) W/cm²</source>
        <translation>平均功率 W/cm²</translation>
    </message>
    <message>
        <source>Energy J/m²</source>
        <translation>能量 J/m²</translation>
    </message>
    <message>
        <source>Power(RT) W/m²</source>
        <translation>实时功率 W/m²</translation>
    </message>
    <message>
        <source>Power(MAX) W/m²</source>
        <translation>最大功率 W/m²</translation>
    </message>
    <message>
        <source>Power(MIN) W/m²</source>
        <translation>最小功率 W/m²</translation>
    </message>
    <message>
        <source>Power(AVG) W/m²</source>
        <translation>平均功率 W/m²</translation>
    </message>
    <message>
        <source>Probe connection!</source>
        <translation>探头已连接！</translation>
    </message>
    <message>
        <source>Energy check: 1 of %1 groups differs from AVG × duration by more than %2 % (the marked Energy cell).</source>
        <translation>能量检查：%1 组中有 1 组的能量与 AVG × 时长相差超过 %2 %（见已标记的能量单元格）。</translation>
    </message>
    <message>
        <source>Energy check: %1 of %2 groups differ from AVG × duration by more than %3 % (the marked Energy cells).</source>
        <translation>能量检查：%2 组中有 %1 组的能量与 AVG × 时长相差超过 %3 %（见已标记的能量单元格）。</translation>
    </message>
</context>
<context>
    <name>FirstPageFor416</name>
    <message>
        <source>Form</source>
        <translation>窗体</translation>
    </message>
    <message>
        <source>Device information</source>
        <translation>设备信息</translation>
    </message>
    <message>
        <source>SN:</source>
        <translation>序列号：</translation>
    </message>
    <message>
        <source>Production Date:</source>
        <translation>生产日期：</translation>
    </message>
    <message>
        <source>Calibration Date:</source>
        <translation>校准日期：</translation>
    </message>
    <message>
        <source>Device Name:</source>
        <translation>设备名称：</translation>
    </message>
    <message>
        <source>Firmware Version:</source>
        <translation>固件版本：</translation>
    </message>
    <message>
        <source>Setup parameter</source>
        <translation>参数设置</translation>
    </message>
    <message>
        <source>Auto Off</source>
        <translation>自动关机</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>关</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>开</translation>
    </message>
    <message>
        <source>Shutdown</source>
        <translation>关机时间</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>分钟</translation>
    </message>
    <message>
        <source>Storage Interval</source>
        <translation>存储间隔</translation>
    </message>
    <message>
        <source>1S</source>
        <translation>1秒</translation>
    </message>
    <message>
        <source>10S</source>
        <translation>10秒</translation>
    </message>
    <message>
        <source>60S</source>
        <translation>60秒</translation>
    </message>
    <message>
        <source>Setup</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>读取</translation>
    </message>
    <message>
        <source>Setup Date/Time</source>
        <translation>日期/时间设置</translation>
    </message>
    <message>
        <source>Date/Time：</source>
        <translation>日期/时间：</translation>
    </message>
    <message>
        <source>Setup </source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Read </source>
        <translation>读取</translation>
    </message>
    <message>
        <source>Get Data</source>
        <translation>获取数据</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>StartTime</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>Duration(S)</source>
        <translation>时长(秒)</translation>
    </message>
    <message>
        <source>Power(REC) (uW/c㎡)</source>
        <translation>记录功率 (uW/c㎡)</translation>
    </message>
    <message>
        <source>Power(MAX) (uW/c㎡)</source>
        <translation>最大功率 (uW/c㎡)</translation>
    </message>
    <message>
        <source>Power(MIN) (uW/c㎡)</source>
        <translation>最小功率 (uW/c㎡)</translation>
    </message>
    <message>
        <source>Power(AVG) (uW/c㎡)</source>
        <translation>平均功率 (uW/c㎡)</translation>
    </message>
    <message>
        <source>Solvane UV Instruments</source>
        <translation>Solvane 紫外仪器</translation>
    </message>
    <message>
        <source>www.solvane.example</source>
        <translation>www.solvane.example</translation>
    </message>
    <message>
        <source>warn</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>please Connecting instrument!</source>
        <translation>请连接仪器！</translation>
    </message>
    <message>
        <source>information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Getting data,please wait...</source>
        <translation>正在获取数据，请稍候……</translation>
    </message>
    <message>
        <source>Warn</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>The instrument is not configured production information!</source>
        <translation>仪器未配置生产信息！</translation>
    </message>
    <message>
        <source>Solvane V2.1</source>
        <translation>Solvane V2.1</translation>
    </message>
    <message>
        <source>Resetting the parameter history data will be cleared.</source>
        <translation>重新设置参数将清除历史数据。</translation>
    </message>
    <message>
        <source>Shutdown must between 1—10!</source>
        <translation>关机时间必须在1—10之间！</translation>
    </message>
    <message>
        <source>parameter configuration success!</source>
        <translation>参数配置成功！</translation>
    </message>
    <message>
        <source>parameter configuration Error!</source>
        <translation>参数配置失败！</translation>
    </message>
    <message>
        <source>parameter date time success!</source>
        <translation>日期时间设置成功！</translation>
    </message>
    <message>
        <source>parameter date time error!</source>
        <translation>日期时间设置失败！</translation>
    </message>
    <message>
        <source>Getting data outtime,please get again.</source>
        <translation>获取数据超时，请重新获取。</translation>
    </message>
    <message>
        <source>Read Storage Interval Error!</source>
        <translation>读取存储间隔失败！</translation>
    </message>
    <message>
        <source>please get data first!</source>
        <translation>请先获取数据！</translation>
    </message>
    <message>
        <source>Storing data to Excel</source>
        <translation>保存数据到Excel</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 已存在。
要替换它吗？</translation>
    </message>
    <message>
        <source>error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>No data for Storing to Excel!</source>
        <translation>没有可保存到Excel的数据！</translation>
    </message>
    <message>
        <source>Can't overwrite this file, maybe the file is in use!</source>
        <translation>无法覆盖此文件，该文件可能正在使用中！</translation>
    </message>
    <message>
        <source>Storing data</source>
        <translation>保存数据</translation>
    </message>
    <message>
        <source>Storing data failed, Can't open file!</source>
        <translation>保存数据失败，无法打开文件！</translation>
    </message>
    <message>
        <source>Storing data,please wait...</source>
        <translation>正在保存数据，请稍候……</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Export data failed!</source>
        <translation>导出数据失败！</translation>
    </message>
    <message>
        <source>Recording %1 could not be read without errors; it is left out.</source>
        <translation>第 %1 组记录未能无误读取，已不列入表中。</translation>
    </message>
    <message>
        <source>Recordings %1 could not be read without errors; they are left out.</source>
        <translation>第 %1 组记录未能无误读取，已不列入表中。</translation>
    </message>
    <message>
        <source>Excel workbook (*.xlsx);;CSV (*.csv)</source>
        <translation>Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>Sync clock</source>
        <translation>同步时钟</translation>
    </message>
    <message>
        <source>The logger's clock is %1 behind this computer's.</source>
        <translation>记录仪的时钟比本机慢 %1。</translation>
    </message>
    <message>
        <source>The logger's clock is %1 ahead of this computer's.</source>
        <translation>记录仪的时钟比本机快 %1。</translation>
    </message>
    <message>
        <source>Setting it failed; try again.</source>
        <translation>设置失败，请重试。</translation>
    </message>
    <message>
        <source>The logger's clock could not be set; try again.</source>
        <translation>无法设置记录仪的时钟，请重试。</translation>
    </message>
    <message>
        <source>%1 d %2 h</source>
        <translation>%1 天 %2 小时</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 小时 %2 分</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 分 %2 秒</translation>
    </message>
</context>
<context>
    <name>InformationPageFor415</name>
    <message>
        <source>Report</source>
        <translation>报告</translation>
    </message>
    <message>
        <source>information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Device:</source>
        <translation>设备：</translation>
    </message>
    <message>
        <source>SN:</source>
        <translation>序列号：</translation>
    </message>
    <message>
        <source>Test Light:</source>
        <translation>测试光源：</translation>
    </message>
    <message>
        <source>Company:</source>
        <translation>公司：</translation>
    </message>
    <message>
        <source>Tester:</source>
        <translation>测试员：</translation>
    </message>
    <message>
        <source>Auditor:</source>
        <translation>审核员：</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>InformationPageFor416</name>
    <message>
        <source>Report</source>
        <translation>报告</translation>
    </message>
    <message>
        <source>information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Device:</source>
        <translation>设备：</translation>
    </message>
    <message>
        <source>SN:</source>
        <translation>序列号：</translation>
    </message>
    <message>
        <source>Start Time:</source>
        <translation>开始时间：</translation>
    </message>
    <message>
        <source>Duration:</source>
        <translation>时长：</translation>
    </message>
    <message>
        <source>Test Light:</source>
        <translation>测试光源：</translation>
    </message>
    <message>
        <source>Company:</source>
        <translation>公司：</translation>
    </message>
    <message>
        <source>Tester:</source>
        <translation>测试员：</translation>
    </message>
    <message>
        <source>Auditor:</source>
        <translation>审核员：</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>LibraryLocation</name>
    <message>
        <source>No library location was given.</source>
        <translation>未指定记录库位置。</translation>
    </message>
    <message>
        <source>"%1" is not a valid PostgreSQL address: %2</source>
        <translation>“%1”不是有效的 PostgreSQL 地址：%2</translation>
    </message>
    <message>
        <source>"%1" names no database.</source>
        <translation>“%1”未指定数据库。</translation>
    </message>
    <message>
        <source>Unknown option "%1" in the library address.</source>
        <translation>记录库地址中有未知选项“%1”。</translation>
    </message>
    <message>
        <source>postgresql://[user@]host[:port]/database[?sslmode=...]</source>
        <translation>postgresql://[用户@]主机[:端口]/数据库[?sslmode=...]</translation>
    </message>
    <message>
        <source>The library address must not hold a password; keep it in %1 or in %2.</source>
        <translation>记录库地址中不能包含密码；请将密码保存在 %1 或%2中。</translation>
    </message>
    <message>
        <source>The option "%1" in the library address holds a ";", which a connection cannot take.</source>
        <translation>记录库地址中的选项“%1”含有“;”，连接无法接受。</translation>
    </message>
    <message>
        <source>The sslmode in the library address is none of %1.</source>
        <translation>记录库地址中的 sslmode 不是 %1 之一。</translation>
    </message>
    <message>
        <source>The port "%1" in the library address is not a number from 1 to 65535.</source>
        <translation>记录库地址中的端口“%1”不是 1 到 65535 之间的数字。</translation>
    </message>
</context>
<context>
    <name>LibraryModel</name>
    <message>
        <source>Logger</source>
        <translation>记录仪</translation>
    </message>
    <message>
        <source>Meter</source>
        <translation>照度计</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Serial No</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>型号</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>类别</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Start / Downloaded</source>
        <translation>开始 / 下载时间</translation>
    </message>
    <message>
        <source>Samples / Unit</source>
        <translation>采样数 / 单位</translation>
    </message>
    <message>
        <source>REC / RT</source>
        <translation>REC / RT</translation>
    </message>
    <message>
        <source>MAX</source>
        <translation>MAX</translation>
    </message>
    <message>
        <source>MIN</source>
        <translation>MIN</translation>
    </message>
    <message>
        <source>AVG</source>
        <translation>AVG</translation>
    </message>
    <message>
        <source>Some samples were not numbers, there were none, or the interval was 0: the dose counts only what could be counted.</source>
        <translation>部分采样值不是数字、没有采样或间隔为 0：剂量只计入可计入的部分。</translation>
    </message>
    <message>
        <source>%1 (flagged)</source>
        <translation>%1（有标记）</translation>
    </message>
    <message>
        <source>Dose</source>
        <translation>剂量</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>判定</translation>
    </message>
    <message>
        <source>Instrument clock at a station on UTC%1; %2 UTC</source>
        <translation>仪器时钟，工作站时区 UTC%1；即 UTC %2</translation>
    </message>
</context>
<context>
    <name>LibraryPassword</name>
    <message>
        <source>The keyring did not answer within %1 seconds.</source>
        <translation>密钥环在 %1 秒内没有响应。</translation>
    </message>
    <message>
        <source>No keyring runs in this session.</source>
        <translation>此会话中没有运行密钥环。</translation>
    </message>
    <message>
        <source>The keyring refused: %1</source>
        <translation>密钥环拒绝了请求：%1</translation>
    </message>
    <message>
        <source>the desktop keyring</source>
        <translation>桌面密钥环</translation>
    </message>
    <message>
        <source>The Credential Manager refused (error %1).</source>
        <translation>凭据管理器拒绝了请求（错误 %1）。</translation>
    </message>
    <message>
        <source>the Windows Credential Manager</source>
        <translation>Windows 凭据管理器</translation>
    </message>
</context>
<context>
    <name>LibraryVerifier</name>
    <message>
        <source>The audit trail cannot be read: %1</source>
        <translation>无法读取审计追踪：%1</translation>
    </message>
    <message>
        <source>Entry %1 of the audit trail is missing.</source>
        <translation>审计追踪缺少第 %1 条。</translation>
    </message>
    <message>
        <source>Entries %1 to %2 of the audit trail are missing.</source>
        <translation>审计追踪缺少第 %1 至 %2 条。</translation>
    </message>
    <message>
        <source>Entry %1 of the audit trail does not follow entry %2: it names another entry before it.</source>
        <translation>审计追踪第 %1 条不接续第 %2 条：它指向另一条前项。</translation>
    </message>
    <message>
        <source>Entry %1 of the audit trail was altered: its hash does not match its content.</source>
        <translation>审计追踪第 %1 条已被改动：其哈希与内容不符。</translation>
    </message>
    <message>
        <source>Entry %1 of the audit trail stores recording %2 a second time.</source>
        <translation>审计追踪第 %1 条再次保存了记录 %2。</translation>
    </message>
    <message>
        <source>Entry %1 of the audit trail changes recording %2, which it never stored.</source>
        <translation>审计追踪第 %1 条更改了从未保存过的记录 %2。</translation>
    </message>
    <message>
        <source>The report texts of recording %1 were changed without an entry in the audit trail before entry %2.</source>
        <translation>记录 %1 的报告文字在第 %2 条之前被更改，审计追踪中没有相应条目。</translation>
    </message>
    <message>
        <source>No entry of the audit trail has the hash %1: the trail was rewritten since that hash was taken.</source>
        <translation>审计追踪中没有哈希为 %1 的条目：记下该哈希后追踪被改写过。</translation>
    </message>
    <message>
        <source>The recordings cannot be read: %1</source>
        <translation>无法读取记录：%1</translation>
    </message>
    <message>
        <source>Recording %1 has no entry in the audit trail that stored it.</source>
        <translation>记录 %1 在审计追踪中没有保存条目。</translation>
    </message>
    <message>
        <source>The samples of recording %1 do not match its SHA-256.</source>
        <translation>记录 %1 的采样数据与其 SHA-256 不符。</translation>
    </message>
    <message>
        <source>The values of meter group %1 do not match its SHA-256.</source>
        <translation>测量组 %1 的数值与其 SHA-256 不符。</translation>
    </message>
    <message>
        <source>Recording %1 is not what entry %2 of the audit trail stored.</source>
        <translation>记录 %1 与审计追踪第 %2 条保存的内容不同。</translation>
    </message>
    <message>
        <source>The report texts of recording %1 were changed without an entry in the audit trail.</source>
        <translation>记录 %1 的报告文字被更改，审计追踪中没有相应条目。</translation>
    </message>
    <message>
        <source>Recording %1 was removed without an entry in the audit trail.</source>
        <translation>记录 %1 被移除，审计追踪中没有相应条目。</translation>
    </message>
    <message>
        <source>Recording %1 was restored without an entry in the audit trail.</source>
        <translation>记录 %1 被恢复，审计追踪中没有相应条目。</translation>
    </message>
    <message>
        <source>Recording %1, stored by entry %2 of the audit trail, was deleted from the library.</source>
        <translation>由审计追踪第 %2 条保存的记录 %1 已从库中被删除。</translation>
    </message>
</context>
<context>
    <name>LibraryWindow</name>
    <message>
        <source>Library</source>
        <translation>记录库</translation>
    </message>
    <message>
        <source>From</source>
        <translation>从</translation>
    </message>
    <message>
        <source>to</source>
        <translation>至</translation>
    </message>
    <message>
        <source>Search serial, model, time or report texts</source>
        <translation>搜索序列号、型号、时间或报告文字</translation>
    </message>
    <message>
        <source>Curve</source>
        <translation>曲线</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>报告</translation>
    </message>
    <message>
        <source>Excel</source>
        <translation>Excel</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>All instruments</source>
        <translation>全部仪器</translation>
    </message>
    <message>
        <source>No library is open.</source>
        <translation>未打开记录库。</translation>
    </message>
    <message>
        <source>Entries: %1</source>
        <translation>共 %1 条</translation>
    </message>
    <message>
        <source>information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Choose an entry first.</source>
        <translation>请先选择一条记录。</translation>
    </message>
    <message>
        <source>The entry cannot be read: %1</source>
        <translation>无法读取该记录：%1</translation>
    </message>
    <message>
        <source>Check against</source>
        <translation>判定依据</translation>
    </message>
    <message>
        <source>Process windows...</source>
        <translation>工艺窗口...</translation>
    </message>
    <message>
        <source>Overlay</source>
        <translation>叠加对比</translation>
    </message>
    <message>
        <source>Trend</source>
        <translation>趋势</translation>
    </message>
    <message>
        <source>Meter groups have no curve: choose logger recordings.</source>
        <translation>照度计数据组没有曲线：请选择记录型辐照计的记录。</translation>
    </message>
    <message>
        <source>Choose an instrument or an entry first.</source>
        <translation>请先选择一台仪器或一条记录。</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Workbook</source>
        <translation>工作簿</translation>
    </message>
    <message>
        <source>The chosen entries in one workbook: a summary sheet, then one sheet per recording</source>
        <translation>将所选条目存入一个工作簿：先是汇总表，然后每条记录一张表</translation>
    </message>
    <message>
        <source>Save the chosen entries</source>
        <translation>保存所选条目</translation>
    </message>
    <message>
        <source>Excel workbook (*.xlsx)</source>
        <translation>Excel 工作簿 (*.xlsx)</translation>
    </message>
    <message>
        <source>Writing the workbook...</source>
        <translation>正在写入工作簿...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>%1 entries saved to %2</source>
        <translation>%1 个条目已保存到 %2</translation>
    </message>
    <message>
        <source>Show removed</source>
        <translation>显示已移除</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>恢复</translation>
    </message>
    <message>
        <source>History</source>
        <translation>历史</translation>
    </message>
    <message>
        <source>Audit trail</source>
        <translation>审计追踪</translation>
    </message>
    <message>
        <source>Why is entry %1 removed? It is kept in the library and its audit trail, and can be restored.</source>
        <translation>为什么移除条目 %1？它仍保留在库和审计追踪中，可以恢复。</translation>
    </message>
    <message>
        <source>Why is entry %1 restored?</source>
        <translation>为什么恢复条目 %1？</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Send data Error！</source>
        <translation>发送数据错误！</translation>
    </message>
    <message>
        <source>Message format error！</source>
        <translation>报文格式错误！</translation>
    </message>
    <message>
        <source>Warn</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>No probe connection!</source>
        <translation>探头未连接！</translation>
    </message>
    <message>
        <source>The instrument is not configured production information!</source>
        <translation>仪器未配置生产信息！</translation>
    </message>
    <message>
        <source>The instrument is connected, but this user may not open it.
Install the udev rule of Solvane (70-solvane.rules, part of the package), then unplug the instrument and plug it in again.</source>
        <translation>仪器已连接，但当前用户无权打开它。
请安装 Solvane 的 udev 规则（70-solvane.rules，随安装包提供），然后拔下仪器并重新插入。</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>记录库</translation>
    </message>
    <message>
        <source>Library password</source>
        <translation>记录库密码</translation>
    </message>
    <message>
        <source>The library at %1 wants a password:</source>
        <translation>位于 %1 的记录库需要密码：</translation>
    </message>
    <message>
        <source>The password is kept nowhere (%1); to sign in without it next time, put it in %2.</source>
        <translation>密码未被保存（%1）；若希望下次无需输入即可登录，请将其写入 %2。</translation>
    </message>
</context>
<context>
    <name>OverlayWindow</name>
    <message>
        <source>Time (s)</source>
        <translation>时间 (s)</translation>
    </message>
    <message>
        <source>Irradiance (uW/cm²)</source>
        <translation>辐照度 (uW/cm²)</translation>
    </message>
    <message>
        <source>Overlay</source>
        <translation>叠加对比</translation>
    </message>
    <message>
        <source>Recordings: %1</source>
        <translation>记录数：%1</translation>
    </message>
    <message>
        <source>Meter groups have no curve: %1 left out.</source>
        <translation>照度计数据组没有曲线：已略去 %1 组。</translation>
    </message>
    <message>
        <source>No interval known for entry %1: drawn one second per sample.</source>
        <translation>第 %1 条记录没有已知的间隔：按每个采样一秒绘制。</translation>
    </message>
</context>
<context>
    <name>ProcessWindow</name>
    <message>
        <source>A process window needs a name.</source>
        <translation>工艺窗口需要一个名称。</translation>
    </message>
    <message>
        <source>The limits of "%1" must be numbers.</source>
        <translation>“%1”的限值必须是数字。</translation>
    </message>
    <message>
        <source>In "%1" the minimum peak is above the maximum peak.</source>
        <translation>“%1”中的峰值下限高于峰值上限。</translation>
    </message>
    <message>
        <source>In "%1" the minimum dose is above the maximum dose.</source>
        <translation>“%1”中的剂量下限高于剂量上限。</translation>
    </message>
    <message>
        <source>There are two process windows called "%1".</source>
        <translation>有两个名为“%1”的工艺窗口。</translation>
    </message>
    <message>
        <source>The process windows cannot be kept in %1.</source>
        <translation>无法将工艺窗口保存到 %1。</translation>
    </message>
</context>
<context>
    <name>ProcessWindowDialog</name>
    <message>
        <source>Process windows</source>
        <translation>工艺窗口</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>添加</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>Minimum peak (uW/cm²)</source>
        <translation>最小峰值（uW/cm²）</translation>
    </message>
    <message>
        <source>Maximum peak (uW/cm²)</source>
        <translation>最大峰值（uW/cm²）</translation>
    </message>
    <message>
        <source>Minimum dose (uJ/cm²)</source>
        <translation>最小剂量（uJ/cm²）</translation>
    </message>
    <message>
        <source>Maximum dose (uJ/cm²)</source>
        <translation>最大剂量（uJ/cm²）</translation>
    </message>
    <message>
        <source>A limit left empty does not apply. 1 mJ/cm² = 1000 uJ/cm².</source>
        <translation>留空的限值不适用。1 mJ/cm² = 1000 uJ/cm²。</translation>
    </message>
    <message>
        <source>Window %1</source>
        <translation>窗口 %1</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Device: </source>
        <translation>设备：</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>时长</translation>
    </message>
    <message>
        <source>Test Report</source>
        <translation>测试报告</translation>
    </message>
    <message>
        <source>Test Report1</source>
        <translation>紫外辐照计测试报告</translation>
    </message>
    <message>
        <source>SN:</source>
        <translation>序列号：</translation>
    </message>
    <message>
        <source>Test Light:</source>
        <translation>测试光源：</translation>
    </message>
    <message>
        <source>Company:</source>
        <translation>公司：</translation>
    </message>
    <message>
        <source>Test Data</source>
        <translation>测试数据</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>项目</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>数值</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>单位</translation>
    </message>
    <message>
        <source>Energy</source>
        <translation>能量</translation>
    </message>
    <message>
        <source>S</source>
        <translation>秒</translation>
    </message>
    <message>
        <source>Power(RT)</source>
        <translation>实时功率</translation>
    </message>
    <message>
        <source>Power(MAX)</source>
        <translation>最大功率</translation>
    </message>
    <message>
        <source>Power(MIN)</source>
        <translation>最小功率</translation>
    </message>
    <message>
        <source>Power(AVG)</source>
        <translation>平均功率</translation>
    </message>
    <message>
        <source> Tester:</source>
        <translation> 测试员：</translation>
    </message>
    <message>
        <source> Auditor:</source>
        <translation> 审核员：</translation>
    </message>
    <message>
        <source>StartTime:</source>
        <translation>开始时间：</translation>
    </message>
    <message>
        <source>Duration:</source>
        <translation>时长：</translation>
    </message>
    <message>
        <source>Power(REC)</source>
        <translation>记录功率</translation>
    </message>
    <message>
        <source>Save PDF</source>
        <translation>保存 PDF</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>PDF 文档 (*.pdf)</translation>
    </message>
    <message>
        <source>information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>The report could not be saved as %1.</source>
        <translation>无法将报告保存为 %1。</translation>
    </message>
    <message>
        <source>Process window %1: %2</source>
        <translation>工艺窗口 %1：%2</translation>
    </message>
    <message>
        <source>%1 (flagged)</source>
        <translation>%1（有标记）</translation>
    </message>
    <message>
        <source>Dose</source>
        <translation>剂量</translation>
    </message>
    <message>
        <source>Sign the report</source>
        <translation>签署报告</translation>
    </message>
</context>
<context>
    <name>RecordingCsv</name>
    <message>
        <source>There is nothing to write.</source>
        <translation>没有可写入的内容。</translation>
    </message>
    <message>
        <source>Logger recordings and meter groups have different columns; write them to separate CSV files.</source>
        <translation>记录仪的记录与测量仪的数据组列不同，请分别写入不同的 CSV 文件。</translation>
    </message>
</context>
<context>
    <name>RecordingLibrary</name>
    <message>
        <source>The library %1 is not a file.</source>
        <translation>记录库 %1 不是文件。</translation>
    </message>
    <message>
        <source>The library file %1 cannot be read (no permission).</source>
        <translation>无法读取记录库文件 %1（没有权限）。</translation>
    </message>
    <message>
        <source>The folder of the library %1 cannot be made.</source>
        <translation>无法创建记录库 %1 所在的文件夹。</translation>
    </message>
    <message>
        <source>The library file %1 cannot be made: %2</source>
        <translation>无法创建记录库文件 %1：%2</translation>
    </message>
    <message>
        <source>The library file %1 cannot be opened: %2</source>
        <translation>无法打开记录库文件 %1：%2</translation>
    </message>
    <message>
        <source>The library file %1 is damaged or is no library: %2</source>
        <translation>记录库文件 %1 已损坏或不是记录库：%2</translation>
    </message>
    <message>
        <source>This installation cannot reach PostgreSQL (its Qt driver is missing).</source>
        <translation>本安装无法连接 PostgreSQL（缺少其 Qt 驱动）。</translation>
    </message>
    <message>
        <source>The library at %1 cannot be reached: %2</source>
        <translation>无法连接位于 %1 的记录库：%2</translation>
    </message>
    <message>
        <source>The library %1 is damaged: its version cannot be read (%2).</source>
        <translation>记录库 %1 已损坏：无法读取其版本（%2）。</translation>
    </message>
    <message>
        <source>The library %1 was written by a newer Solvane (schema %2; this one knows %3). It is left as it is.</source>
        <translation>记录库 %1 由更新版本的 Solvane 写入（结构版本 %2；本程序支持 %3），保持原样不动。</translation>
    </message>
    <message>
        <source>%1 holds tables of another program; it is left as it is.</source>
        <translation>%1 含有其他程序的数据表，保持原样不动。</translation>
    </message>
    <message>
        <source>The library %1 cannot be used: %2</source>
        <translation>无法使用记录库 %1：%2</translation>
    </message>
    <message>
        <source>The library %1 cannot be written: %2</source>
        <translation>无法写入记录库 %1：%2</translation>
    </message>
    <message>
        <source>The library %1 cannot be brought up to date: %2</source>
        <translation>无法升级记录库 %1：%2</translation>
    </message>
    <message>
        <source>No library is open.</source>
        <translation>未打开记录库。</translation>
    </message>
    <message>
        <source>The library %1 is busy: another program is writing to it. Try again.</source>
        <translation>记录库 %1 正忙：另一个程序正在写入，请稍后再试。</translation>
    </message>
    <message>
        <source>The report texts cannot be kept: %1</source>
        <translation>无法保存报告文字：%1</translation>
    </message>
    <message>
        <source>Its password is not known here: keep it in %1 or in %2.</source>
        <translation>此处不知道其密码：请将其保存在 %1 或%2中。</translation>
    </message>
    <message>
        <source>A server on the network is reached only encrypted (TLS), so that the password never crosses the network readable; if it offers no TLS, turn TLS on at the server, or add ?sslmode=disable to the address.</source>
        <translation>网络上的服务器只通过加密连接（TLS）访问，以免密码以明文穿过网络；若服务器不提供 TLS，请在服务器上启用 TLS，或在地址后加上 ?sslmode=disable。</translation>
    </message>
    <message>
        <source>The stored recording %1 cannot be read back.</source>
        <translation>无法读回已保存的记录 %1。</translation>
    </message>
    <message>
        <source>recording %1</source>
        <translation>记录 %1</translation>
    </message>
    <message>
        <source>A recording is removed only with a reason.</source>
        <translation>移除记录必须填写原因。</translation>
    </message>
    <message>
        <source>A recording is restored only with a reason.</source>
        <translation>恢复记录必须填写原因。</translation>
    </message>
    <message>
        <source>The entry cannot be removed: %1</source>
        <translation>无法移除该条目：%1</translation>
    </message>
    <message>
        <source>The entry cannot be restored: %1</source>
        <translation>无法恢复该条目：%1</translation>
    </message>
    <message>
        <source>Recording %1 is removed already.</source>
        <translation>记录 %1 已被移除。</translation>
    </message>
    <message>
        <source>Recording %1 is not removed.</source>
        <translation>记录 %1 未被移除。</translation>
    </message>
    <message>
        <source>The audit trail cannot be written: %1</source>
        <translation>无法写入审计追踪：%1</translation>
    </message>
    <message>
        <source>The file %1 cannot be read for the audit trail.</source>
        <translation>无法为审计追踪读取文件 %1。</translation>
    </message>
    <message>
        <source>A signature needs the signer's name.</source>
        <translation>签名需要签署人的姓名。</translation>
    </message>
    <message>
        <source>The signature cannot be kept: %1</source>
        <translation>无法保存签名：%1</translation>
    </message>
    <message>
        <source>Recording %1 is removed; restore it before signing.</source>
        <translation>记录 %1 已被移除；请先恢复再签名。</translation>
    </message>
</context>
<context>
    <name>RecordingWorkbook</name>
    <message>
        <source>Summary</source>
        <translation>汇总</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Family</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Serial</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>型号</translation>
    </message>
    <message>
        <source>Group</source>
        <translation>组</translation>
    </message>
    <message>
        <source>Start time</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>Interval (s)</source>
        <translation>间隔(秒)</translation>
    </message>
    <message>
        <source>Samples</source>
        <translation>采样数</translation>
    </message>
    <message>
        <source>Dose (uJ/cm²)</source>
        <translation>剂量 (uJ/cm²)</translation>
    </message>
    <message>
        <source>Dose flagged</source>
        <translation>剂量有标记</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>判定</translation>
    </message>
    <message>
        <source>Energy</source>
        <translation>能量</translation>
    </message>
    <message>
        <source>Duration (s)</source>
        <translation>时长(秒)</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>单位</translation>
    </message>
    <message>
        <source>Energy check flagged</source>
        <translation>能量校验有标记</translation>
    </message>
    <message>
        <source>Sheet</source>
        <translation>工作表</translation>
    </message>
    <message>
        <source>There is nothing to write.</source>
        <translation>没有可写入的内容。</translation>
    </message>
    <message>
        <source>The workbook cannot be made there.</source>
        <translation>无法在该位置创建工作簿。</translation>
    </message>
    <message>
        <source>The workbook could not be written.</source>
        <translation>工作簿写入失败。</translation>
    </message>
    <message>
        <source>The export was abandoned.</source>
        <translation>导出已中止。</translation>
    </message>
</context>
<context>
    <name>ReportPageFor415</name>
    <message>
        <source>Report</source>
        <translation>报告</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>信息</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>打印</translation>
    </message>
    <message>
        <source>Device: </source>
        <translation>设备：</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>时长</translation>
    </message>
    <message>
        <source>Save PDF</source>
        <translation>保存 PDF</translation>
    </message>
    <message>
        <source>Sign</source>
        <translation>签名</translation>
    </message>
</context>
<context>
    <name>ReportPageFor416</name>
    <message>
        <source>Report</source>
        <translation>报告</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>信息</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>打印</translation>
    </message>
    <message>
        <source>Save PDF</source>
        <translation>保存 PDF</translation>
    </message>
    <message>
        <source>Sign</source>
        <translation>签名</translation>
    </message>
</context>
<context>
    <name>ReportSignature</name>
    <message>
        <source>Reviewed by</source>
        <translation>审核人</translation>
    </message>
    <message>
        <source>Approved by</source>
        <translation>批准人</translation>
    </message>
    <message>
        <source>its entry in the audit trail was altered</source>
        <translation>其审计追踪条目已被改动</translation>
    </message>
    <message>
        <source>the recording changed after it was signed</source>
        <translation>签名后记录已更改</translation>
    </message>
    <message>
        <source>the report texts changed after it was signed</source>
        <translation>签名后报告文字已更改</translation>
    </message>
    <message>
        <source>the recording was removed from the library</source>
        <translation>记录已从库中移除</translation>
    </message>
    <message>
        <source>Signatures</source>
        <translation>签名</translation>
    </message>
    <message>
        <source>%1 %2 (%3 on %4), %5, trail entry %6</source>
        <translation>%1 %2（%4 上的 %3），%5，审计追踪第 %6 条</translation>
    </message>
    <message>
        <source>VOID: %1</source>
        <translation>无效：%1</translation>
    </message>
</context>
<context>
    <name>SignatureDialog</name>
    <message>
        <source>Sign the report</source>
        <translation>签署报告</translation>
    </message>
    <message>
        <source>Meaning</source>
        <translation>含义</translation>
    </message>
    <message>
        <source>Your name</source>
        <translation>您的姓名</translation>
    </message>
    <message>
        <source>Your name, your user account, the time, the recording's SHA-256, the report texts and the verdict are kept together in the library's audit trail. A later change to the recording or to the texts voids the signature.</source>
        <translation>您的姓名、用户账户、时间、记录的 SHA-256、报告文字和判定结果将一并保存在库的审计追踪中。之后对记录或文字的任何更改都会使签名失效。</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Solvane cannot start: %1</source>
        <translation>Solvane 无法启动：%1</translation>
    </message>
    <message>
        <source>There is no private folder for this session: %1 is missing, not a folder of yours, or open to other users.</source>
        <translation>本会话没有私有文件夹：%1 不存在、不是您的文件夹，或其他用户也能进入。</translation>
    </message>
    <message>
        <source>The lock file %1 cannot be made here.</source>
        <translation>无法在此创建锁文件 %1。</translation>
    </message>
</context>
<context>
    <name>TableOpWidget</name>
    <message>
        <source>EXCEL</source>
        <translation>EXCEL</translation>
    </message>
    <message>
        <source>Curve</source>
        <translation>曲线</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>报告</translation>
    </message>
</context>
<context>
    <name>TrendWindow</name>
    <message>
        <source>No library is open.</source>
        <translation>未打开记录库。</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Peak irradiance (uW/cm²)</source>
        <translation>峰值辐照度（uW/cm²）</translation>
    </message>
    <message>
        <source>Dose (uJ/cm²)</source>
        <translation>剂量 (uJ/cm²)</translation>
    </message>
    <message>
        <source>Peak (MAX)</source>
        <translation>峰值（MAX）</translation>
    </message>
    <message>
        <source>Dose</source>
        <translation>剂量</translation>
    </message>
    <message>
        <source>Peak limits of %1</source>
        <translation>%1 的峰值限值</translation>
    </message>
    <message>
        <source>Dose limits of %1</source>
        <translation>%1 的剂量限值</translation>
    </message>
    <message>
        <source>Trend of %1</source>
        <translation>%1 的趋势</translation>
    </message>
    <message>
        <source>The library could not be read whole: %1</source>
        <translation>记录库未能完整读取：%1</translation>
    </message>
    <message>
        <source>Recordings: %1</source>
        <translation>记录数：%1</translation>
    </message>
    <message>
        <source>Meter groups and recordings without a start time left out: %1.</source>
        <translation>已略去照度计数据组和没有开始时间的记录：%1 条。</translation>
    </message>
    <message>
        <source>Doses that could not be counted whole left out: %1.</source>
        <translation>已略去无法完整计算的剂量：%1 个。</translation>
    </message>
    <message>
        <source>Process window: %1</source>
        <translation>工艺窗口：%1</translation>
    </message>
    <message>
        <source>No process window chosen.</source>
        <translation>未选择工艺窗口。</translation>
    </message>
</context>
<context>
    <name>UVPowerCurvePageFor416</name>
    <message>
        <source>UV Power Curve</source>
        <translation>紫外功率曲线</translation>
    </message>
    <message>
        <source>Coordinate Axis Set</source>
        <translation>坐标轴设置</translation>
    </message>
    <message>
        <source>Auto Set</source>
        <translation>自动调整</translation>
    </message>
    <message>
        <source>Clock time</source>
        <translation>时钟时间</translation>
    </message>
    <message>
        <source>Save image</source>
        <translation>保存图片</translation>
    </message>
    <message>
        <source>Recording</source>
        <translation>记录</translation>
    </message>
    <message>
        <source>At the mouse</source>
        <translation>鼠标所指</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Time (s)</source>
        <translation>时间 (s)</translation>
    </message>
    <message>
        <source>Sample</source>
        <translation>采样序号</translation>
    </message>
    <message>
        <source>Irradiance (uW/cm²)</source>
        <translation>辐照度 (uW/cm²)</translation>
    </message>
    <message>
        <source>Dose: %1</source>
        <translation>剂量：%1</translation>
    </message>
    <message>
        <source>%1 (flagged)</source>
        <translation>%1（有标记）</translation>
    </message>
    <message>
        <source>Some samples were not numbers, there were none, or the interval was 0: the dose counts only what could be counted.</source>
        <translation>部分采样值不是数字、没有采样或间隔为 0：剂量只计入可计入的部分。</translation>
    </message>
    <message>
        <source>Process window %1: %2</source>
        <translation>工艺窗口 %1：%2</translation>
    </message>
    <message>
        <source>Sample: %1</source>
        <translation>采样：第 %1 个</translation>
    </message>
    <message>
        <source>Time: %1</source>
        <translation>时间：%1</translation>
    </message>
    <message>
        <source>Time: %1 s</source>
        <translation>时间：%1 s</translation>
    </message>
    <message>
        <source>Irradiance: %1 uW/cm²</source>
        <translation>辐照度：%1 uW/cm²</translation>
    </message>
    <message>
        <source>Irradiance: no value</source>
        <translation>辐照度：无数值</translation>
    </message>
    <message>
        <source>PNG image (*.png);;SVG image (*.svg);;PDF document (*.pdf)</source>
        <translation>PNG 图片 (*.png);;SVG 图片 (*.svg);;PDF 文档 (*.pdf)</translation>
    </message>
    <message>
        <source>information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>The image could not be saved as %1.</source>
        <translation>无法将图片保存为 %1。</translation>
    </message>
    <message>
        <source>PNG image (*.png);;PDF document (*.pdf)</source>
        <translation>PNG 图片 (*.png);;PDF 文档 (*.pdf)</translation>
    </message>
</context>
<context>
    <name>Verdict</name>
    <message>
        <source>peak below the minimum</source>
        <translation>峰值低于下限</translation>
    </message>
    <message>
        <source>peak above the maximum</source>
        <translation>峰值高于上限</translation>
    </message>
    <message>
        <source>dose below the minimum</source>
        <translation>剂量低于下限</translation>
    </message>
    <message>
        <source>dose above the maximum</source>
        <translation>剂量高于上限</translation>
    </message>
    <message>
        <source>dose not defined</source>
        <translation>剂量无定义</translation>
    </message>
    <message>
        <source>unit not known</source>
        <translation>单位未知</translation>
    </message>
    <message>
        <source>pass</source>
        <translation>合格</translation>
    </message>
    <message>
        <source>fail: %1</source>
        <translation>不合格：%1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message>
        <source>peak not defined</source>
        <translation>峰值无定义</translation>
    </message>
</context>
</TS>