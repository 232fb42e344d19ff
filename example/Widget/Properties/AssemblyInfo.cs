using System.Reflection;
using System.Runtime.InteropServices;

// Assembly metadata of the Widget example project. The empty copyright is
// where the commit hash goes.
[assembly: AssemblyTitle("Widget")]
[assembly: AssemblyDescription("Widget sample application")]
[assembly: AssemblyConfiguration("")]
[assembly: AssemblyCompany("Example Tools Ltd.")]
[assembly: AssemblyProduct("Widget")]
[assembly: AssemblyCopyright("")]
[assembly: AssemblyTrademark("")]
[assembly: AssemblyCulture("")]

[assembly: ComVisible(false)]
[assembly: Guid("4f2b8c1e-6d3a-4e5f-9a7b-2c1d0e3f4a5b")]

[assembly: AssemblyVersion("1.4.0.0")]
[assembly: AssemblyFileVersion("1.4.0.0")]
